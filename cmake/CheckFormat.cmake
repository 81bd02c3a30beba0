# Fails when a C++ file of the project differs from what clang-format makes of it.
file(GLOB_RECURSE files
  ${SOURCE_DIR}/src/*.hxx ${SOURCE_DIR}/src/*.cxx
  ${SOURCE_DIR}/tests/*.hxx ${SOURCE_DIR}/tests/*.cxx ${SOURCE_DIR}/tests/*.cpp
  ${SOURCE_DIR}/tools/*.hxx ${SOURCE_DIR}/tools/*.cxx ${SOURCE_DIR}/tools/*.cpp
  ${SOURCE_DIR}/bench/*.hxx ${SOURCE_DIR}/bench/*.cxx ${SOURCE_DIR}/bench/*.cpp
  ${SOURCE_DIR}/python/*.hxx ${SOURCE_DIR}/python/*.cxx)
set(bad)
foreach(f ${files})
  execute_process(COMMAND ${CLANG_FORMAT} --dry-run --Werror --style=file ${f}
                  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
  if(NOT rc EQUAL 0)
    list(APPEND bad ${f})
  endif()
endforeach()
if(bad)
  string(REPLACE ";" "\n  " bad "${bad}")
  message(FATAL_ERROR "Not formatted (run scripts/format.sh):\n  ${bad}")
endif()
