# Mesh algorithms on a voxel skin of about a million faces. The algorithms are
# internal to the library, so this benchmark links its static archive.
add_executable(HalfEdgeAlgo_bench ${CMAKE_CURRENT_SOURCE_DIR}/HalfEdgeAlgo_bench.cpp)
pellisk_target_options(HalfEdgeAlgo_bench)
target_link_libraries(HalfEdgeAlgo_bench PRIVATE PelliskStatic benchmark::benchmark)
target_compile_definitions(HalfEdgeAlgo_bench PRIVATE PELLISK_BENCH_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")

# The self-intersection check against CGAL's (header-only, with TBB for its
# parallel mode), linked to this benchmark only, never to the library.
find_package(CGAL CONFIG QUIET)
if(CGAL_FOUND)
  find_package(TBB QUIET)
  include(CGAL_TBB_support OPTIONAL)
  add_executable(HalfEdgeAlgo_SelfIntersections_bench
    ${CMAKE_CURRENT_SOURCE_DIR}/HalfEdgeAlgo_SelfIntersections_bench.cpp)
  pellisk_target_options(HalfEdgeAlgo_SelfIntersections_bench)
  target_link_libraries(HalfEdgeAlgo_SelfIntersections_bench PRIVATE PelliskStatic benchmark::benchmark CGAL::CGAL)
  if(TARGET CGAL::TBB_support)
    target_link_libraries(HalfEdgeAlgo_SelfIntersections_bench PRIVATE CGAL::TBB_support)
  endif()
  target_compile_definitions(HalfEdgeAlgo_SelfIntersections_bench
    PRIVATE PELLISK_BENCH_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
else()
  message(STATUS "CGAL not found: HalfEdgeAlgo_SelfIntersections_bench is not built")
endif()
