# cmake -P script: install the build, check the installed headers, build and run consumers.
cmake_minimum_required(VERSION 3.20)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${output}")
  endif()
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(consumer_build ${WORK_DIR}/build)
set(run_root ${WORK_DIR}/root)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${run_root})

run(${CMAKE_COMMAND} --install ${ORB_BUILD_DIR} --prefix ${prefix})

# Only the public headers are installed.
string(REPLACE "|" ";" expected "${PUBLIC_HEADERS}")
list(SORT expected)
file(GLOB_RECURSE installed RELATIVE ${prefix}/include/orb ${prefix}/include/*)
list(SORT installed)
if(NOT installed STREQUAL expected)
  message(FATAL_ERROR "installed headers: ${installed}\nexpected: ${expected}")
endif()

run(${CMAKE_COMMAND} -S ${CONSUMER_SOURCE_DIR} -B ${consumer_build} -G ${GENERATOR}
    -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
    -DCMAKE_C_FLAGS=${CONSUMER_FLAGS} -DCMAKE_CXX_FLAGS=${CONSUMER_FLAGS}
    -DCMAKE_EXE_LINKER_FLAGS=${CONSUMER_FLAGS}
    -DCMAKE_PREFIX_PATH=${prefix})
run(${CMAKE_COMMAND} --build ${consumer_build})

# The C program runs against an empty root, so it reads nothing of this machine.
run(${CMAKE_COMMAND} -E env ORB_ROOT=${run_root}
    ${consumer_build}/orb_c_program ${run_root}/attribute)

# The command-line client is installed beside the library and finds it there.
run(${prefix}/bin/orbcli --help)
