# Voxelization time, node count and peak memory for both split rules.
pellisk_benchmark(Pellisk_voxelization_bench ${CMAKE_CURRENT_SOURCE_DIR}/Algo_Voxelization_bench.cpp)
