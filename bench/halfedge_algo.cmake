# Mesh algorithms on a voxel skin of about a million faces. The algorithms are
# internal to the library, so this benchmark links the library's objects
# statically, as the test programs do, instead of the shared library.
if(NOT TARGET PelliskStatic)
  add_library(PelliskStatic STATIC $<TARGET_OBJECTS:Pellisk>)
  target_include_directories(PelliskStatic SYSTEM PUBLIC ${OpenCASCADE_INCLUDE_DIR})
  target_include_directories(PelliskStatic PUBLIC $<TARGET_PROPERTY:Pellisk,INTERFACE_INCLUDE_DIRECTORIES>)
  target_link_libraries(PelliskStatic PUBLIC TKSTL TKG3d TKMath TKernel OpenMeshCore OpenMeshTools
                                             OpenMP::OpenMP_CXX ${CMAKE_DL_LIBS})
endif()
add_executable(HalfEdgeAlgo_bench ${CMAKE_CURRENT_SOURCE_DIR}/HalfEdgeAlgo_bench.cpp)
pellisk_target_options(HalfEdgeAlgo_bench)
target_link_libraries(HalfEdgeAlgo_bench PRIVATE PelliskStatic benchmark::benchmark)
target_compile_definitions(HalfEdgeAlgo_bench PRIVATE PELLISK_BENCH_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
