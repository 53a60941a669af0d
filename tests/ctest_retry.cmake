# The retry summary that closes `make test` (scripts/ctest-retry.sh), run
# over a small project of its own whose tests pass, fail once, or always fail.
add_test(NAME ctest_retry.summary
  COMMAND ${CMAKE_COMMAND} -DSCRIPT=${PROJECT_SOURCE_DIR}/scripts/ctest-retry.sh
          -DWORK=${CMAKE_CURRENT_BINARY_DIR}/ctest-retry
          -P ${CMAKE_CURRENT_SOURCE_DIR}/retry/run_ctest_retry.cmake)
set_tests_properties(ctest_retry.summary PROPERTIES LABELS tool TIMEOUT 120)
