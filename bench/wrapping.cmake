# End-to-end wrapping of real meshes into voxel skins, timed stage by stage.
pellisk_benchmark(Pellisk_wrapping_bench ${CMAKE_CURRENT_SOURCE_DIR}/wrapping_bench.cpp)
