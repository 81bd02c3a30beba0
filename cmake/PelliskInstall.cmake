# Install layout: lib/, include/pellisk/ (flat), resource/ (at ../resource from the
# library file), and a CMake package for find_package(Pellisk CONFIG).
include(CMakePackageConfigHelpers)

get_property(pellisk_public_headers GLOBAL PROPERTY PELLISK_PUBLIC_HEADERS)
install(FILES ${pellisk_public_headers} ${PROJECT_BINARY_DIR}/include/Pellisk_Export.hxx
        DESTINATION include/pellisk)

install(TARGETS Pellisk EXPORT PelliskTargets
        LIBRARY DESTINATION lib
        ARCHIVE DESTINATION lib
        RUNTIME DESTINATION bin)
install(EXPORT PelliskTargets NAMESPACE Pellisk:: DESTINATION lib/cmake/Pellisk)

configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/PelliskConfig.cmake.in
  ${PROJECT_BINARY_DIR}/PelliskConfig.cmake
  INSTALL_DESTINATION lib/cmake/Pellisk)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/PelliskConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/PelliskConfig.cmake ${PROJECT_BINARY_DIR}/PelliskConfigVersion.cmake
        DESTINATION lib/cmake/Pellisk)
