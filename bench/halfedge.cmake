pellisk_benchmark(HalfEdge_Bench HalfEdge_MeshBench.cpp)
target_include_directories(HalfEdge_Bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
target_sources(HalfEdge_Bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/PelliskTest_Meshes.cpp)
