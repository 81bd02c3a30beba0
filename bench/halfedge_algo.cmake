# Mesh algorithms on a voxel skin of about a million faces. The algorithms are
# internal to the library, so this benchmark links its static archive.
add_executable(HalfEdgeAlgo_bench ${CMAKE_CURRENT_SOURCE_DIR}/HalfEdgeAlgo_bench.cpp)
pellisk_target_options(HalfEdgeAlgo_bench)
target_link_libraries(HalfEdgeAlgo_bench PRIVATE PelliskStatic benchmark::benchmark)
target_compile_definitions(HalfEdgeAlgo_bench PRIVATE PELLISK_BENCH_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
