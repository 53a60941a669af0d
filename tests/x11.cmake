# End-to-end runs of orb on a private Xvfb (label x11). They need the plain
# build of orb, so the sanitized build leaves them out.
if(NOT ORB_SANITIZE AND TARGET orb)
  find_package(PNG REQUIRED)
  find_package(X11 REQUIRED)
  find_program(ORB_XVFB Xvfb)
  find_program(ORB_XDOTOOL xdotool)
  if(NOT ORB_XVFB OR NOT ORB_XDOTOOL)
    message(FATAL_ERROR "the x11 tests need Xvfb and xdotool (scripts/install-deps.sh)")
  endif()

  add_executable(orb_x11_probe ${CMAKE_CURRENT_SOURCE_DIR}/x11/orb_x11_probe.cpp)
  target_link_libraries(orb_x11_probe PRIVATE X11::X11 PNG::PNG)

  set(x11_cases root_dim30 root_dim100 first_tick moves stored_setting no_shm window_id
                saved_picture monitors_root dense_screen root_restored window_gone own_window fullscreen bad_input
                classic smoothness)
  foreach(case ${x11_cases})
    add_test(NAME x11_${case}
      COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/x11/run_case.sh ${case} $<TARGET_FILE:orb>
              $<TARGET_FILE:orb_x11_probe> ${CMAKE_BINARY_DIR}/x11-screens ${orb_played_ball})
    set_tests_properties(x11_${case} PROPERTIES LABELS x11 TIMEOUT 120 SKIP_RETURN_CODE 77
      ENVIRONMENT "ORB_BALLS_DIR=${ORB_BAKED_BALLS_DIR};ORB_CLASSIC_BALL=${ORB_BUILTIN_CONTAINER}")
  endforeach()
endif()
