# End-to-end wrap of the real meshes against two peer wrappers: an alpha
# wrapping and a level-set wrap. Both peers are found here, for this program
# only, and never linked to the library; each one missing is left out of the
# run. The program reaches internal classes, so it links the static archive.
# A wrap is measured by the code of "pellisk check", compiled in.
add_executable(Pellisk_WrapPeers_bench ${CMAKE_CURRENT_SOURCE_DIR}/Pellisk_WrapPeers_bench.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/Pellisk_WrapPeers_peers.cpp
  ${PROJECT_SOURCE_DIR}/tools/pellisk/PelliskTool_WrapReport.cxx)
pellisk_target_options(Pellisk_WrapPeers_bench)
target_include_directories(Pellisk_WrapPeers_bench PRIVATE ${PROJECT_SOURCE_DIR}/tools/pellisk)
target_link_libraries(Pellisk_WrapPeers_bench PRIVATE PelliskStatic)
target_compile_definitions(Pellisk_WrapPeers_bench PRIVATE
  PELLISK_BENCH_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
  PELLISK_BENCH_RESOURCE_DIR="${PROJECT_SOURCE_DIR}/resource")

find_package(CGAL CONFIG QUIET)
if(CGAL_FOUND)
  target_link_libraries(Pellisk_WrapPeers_bench PRIVATE CGAL::CGAL)
  target_compile_definitions(Pellisk_WrapPeers_bench PRIVATE PELLISK_HAS_CGAL)
else()
  message(STATUS "CGAL not found: Pellisk_WrapPeers_bench runs without the alpha wrapping")
endif()

# OpenVDB's own find module insists on the development files of a Boost
# library that only the file input/output of the package needs, and stops the
# configuration when they are missing; the header, the library and TBB are
# all this program needs.
find_path(PELLISK_OPENVDB_INCLUDE_DIR openvdb/openvdb.h)
find_library(PELLISK_OPENVDB_LIBRARY openvdb)
find_package(TBB CONFIG QUIET)
if(PELLISK_OPENVDB_INCLUDE_DIR AND PELLISK_OPENVDB_LIBRARY AND TARGET TBB::tbb)
  target_include_directories(Pellisk_WrapPeers_bench SYSTEM PRIVATE ${PELLISK_OPENVDB_INCLUDE_DIR})
  target_link_libraries(Pellisk_WrapPeers_bench PRIVATE ${PELLISK_OPENVDB_LIBRARY} TBB::tbb)
  target_compile_definitions(Pellisk_WrapPeers_bench PRIVATE PELLISK_HAS_OPENVDB)
else()
  message(STATUS "OpenVDB not found: Pellisk_WrapPeers_bench runs without the level-set wrap")
endif()
