# Spatial queries of Trivex against CGAL's AABB tree on the same data in the
# same run. CGAL (header-only) is linked to this benchmark only, never to the library.
find_package(CGAL CONFIG QUIET)
if(CGAL_FOUND)
  pellisk_benchmark(Trivex_Spatial_bench ${CMAKE_CURRENT_SOURCE_DIR}/Trivex_Spatial_bench.cpp)
  target_link_libraries(Trivex_Spatial_bench PRIVATE CGAL::CGAL OpenMP::OpenMP_CXX)
else()
  message(STATUS "CGAL not found: Trivex_Spatial_bench is not built (scripts/install-deps.sh installs it)")
endif()
