# Compile options shared by every target of the project, set per target.
function(pellisk_target_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  # OCCT and OpenMesh headers are included as system headers; OpenMesh still
  # raises -Wmaybe-uninitialized through inlined templates at -O2.
  target_compile_options(${target} PRIVATE -Wno-maybe-uninitialized)
endfunction()
