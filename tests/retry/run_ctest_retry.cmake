# cmake -DSCRIPT=.../ctest-retry.sh -DWORK=<scratch dir> -P run_ctest_retry.cmake
# Every test that ran twice must be named, with how its retry went; a test
# that passed at once must not be; the exit status must be ctest's.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/project)
file(WRITE ${WORK}/project/CMakeLists.txt [=[
cmake_minimum_required(VERSION 3.16)
project(retry_sample NONE)
enable_testing()
# Fails on its first run only: the marker file remembers the first run.
add_test(NAME stumbles.once COMMAND sh -c
  "if [ -f '${CMAKE_BINARY_DIR}/ran' ]; then exit 0; fi; touch '${CMAKE_BINARY_DIR}/ran'; exit 1")
add_test(NAME passes COMMAND true)
add_test(NAME always.fails COMMAND false)
]=])
execute_process(COMMAND ${CMAKE_COMMAND} -S ${WORK}/project -B ${WORK}/build
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot configure the sample project:\n${err}")
endif()

function(summary expect_ok out_var)
  execute_process(COMMAND sh ${SCRIPT} ${WORK}/build ${ARGN}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(expect_ok AND NOT rc EQUAL 0 OR NOT expect_ok AND rc EQUAL 0)
    message(FATAL_ERROR "ctest-retry.sh ${ARGN}: exit ${rc}\n${out}${err}")
  endif()
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

summary(FALSE out)
foreach(line "RETRIED stumbles.once passed on its retry" "RETRIED always.fails failed its retry too"
             "Tests that needed a retry \\(2\\)" "flaky: mend it")
  if(NOT out MATCHES "${line}")
    message(FATAL_ERROR "the summary lacks '${line}':\n${out}")
  endif()
endforeach()
if(out MATCHES "RETRIED passes")
  message(FATAL_ERROR "a test that passed at once is listed as retried:\n${out}")
endif()

summary(TRUE out -R passes)
if(NOT out MATCHES "No test needed a retry." OR out MATCHES "RETRIED")
  message(FATAL_ERROR "a clean run reports a retry:\n${out}")
endif()
