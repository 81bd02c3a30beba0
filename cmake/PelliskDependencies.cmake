# Third-party packages of the library. OCCT is found without COMPONENTS: a subset
# fails on Debian's packaging (targets of other toolkits are referenced).
find_package(OpenCASCADE REQUIRED)
find_package(OpenMesh REQUIRED)
find_package(OpenMP REQUIRED)
