# Installs the built library into a fresh prefix, builds the host project
# against it with find_package(Pellisk CONFIG), and runs the host.
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Failed: ${ARGN}\n${out}\n${err}")
  endif()
  set(LAST_OUTPUT "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${PELLISK_BINARY_DIR} --prefix ${prefix})
set(type_arg)
if(BUILD_TYPE)
  set(type_arg -DCMAKE_BUILD_TYPE=${BUILD_TYPE})
endif()
run(${CMAKE_COMMAND} -S ${CONSUMER_SOURCE_DIR} -B ${WORK_DIR}/build -G ${GENERATOR}
    -DCMAKE_PREFIX_PATH=${prefix} -DPELLISK_TOOL_DIR=${TOOL_DIR} ${type_arg})
run(${CMAKE_COMMAND} --build ${WORK_DIR}/build)
# Run from an unrelated working directory: the library must find its resources
# itself. The host wraps the mesh with cells of 1 (about 1/32 of its size).
execute_process(COMMAND ${WORK_DIR}/build/pellisk_host ${TOOL_DATA} ${WORK_DIR}/wrap.stl 1.0
                WORKING_DIRECTORY ${WORK_DIR}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT EXISTS ${WORK_DIR}/wrap.stl)
  message(FATAL_ERROR "The host program failed (${rc}):\n${out}\n${err}")
endif()
if(NOT out MATCHES "[0-9]+ \\[info\\]: STL export FINISHED")
  message(FATAL_ERROR "Unexpected host output:\n${out}")
endif()
message(STATUS "Host output:\n${out}")
if(TOOL_DIR)
  execute_process(COMMAND ${WORK_DIR}/build/pellisk_tool info ${TOOL_DATA} WORKING_DIRECTORY ${WORK_DIR}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "faces")
    message(FATAL_ERROR "The command built against the installed package failed (${rc}):\n${out}\n${err}")
  endif()
endif()
