# Memcheck over the engine's unit tests and over a whole play rendered by
# orbtool (label valgrind): no invalid access, no use of uninitialised
# memory, nothing leaked. Valgrind cannot run sanitized binaries, so the
# sanitized build leaves these out.
if(NOT ORB_SANITIZE)
  find_program(ORB_VALGRIND valgrind)
  if(NOT ORB_VALGRIND)
    message(FATAL_ERROR "the valgrind tests need valgrind (scripts/install-deps.sh)")
  endif()
  set(ORB_MEMCHECK ${ORB_VALGRIND} --quiet --error-exitcode=1 --leak-check=full
                   --errors-for-leak-kinds=definite,indirect)

  # The ball's bakes are long runs of arithmetic over vectors, fifty times
  # slower under memcheck; the sanitized build runs them instead.
  add_test(NAME valgrind_unit_tests
    COMMAND ${ORB_MEMCHECK} $<TARGET_FILE:orb_tests> --gtest_filter=-BallBake.*)
  set_tests_properties(valgrind_unit_tests PROPERTIES LABELS valgrind TIMEOUT 600)

  if(TARGET orbtool AND EXISTS ${ORB_BUILTIN_CONTAINER})
    # 120 ticks: the first paint and two whole plays of the 60 frames.
    add_test(NAME valgrind_orbtool_render
      COMMAND ${ORB_MEMCHECK} $<TARGET_FILE:orbtool> render ${ORB_BUILTIN_CONTAINER}
              --ticks 120 -o ${CMAKE_CURRENT_BINARY_DIR}/valgrind-render.png)
    set_tests_properties(valgrind_orbtool_render PROPERTIES LABELS valgrind TIMEOUT 300)
  endif()
endif()
