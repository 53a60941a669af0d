# End-to-end runs of orbtool: the happy path and the ways a user can get it
# wrong. Each case runs tool/run_orbtool.cmake, which checks the exit status
# and the message. Sanitized builds skip them (orbtool is a plain build's).
if(TARGET orbtool AND TARGET orb AND NOT ORB_SANITIZE)
  set(orbtool_cases
    bake_reproduces_builtin info_builtin render_builtin cut_frames
    usage_errors command_lines size_range option_tables missing_file truncated_container not_a_container unwritable_output
    sample_desktop baked_balls)
  foreach(case ${orbtool_cases})
    add_test(NAME orbtool.${case}
      COMMAND ${CMAKE_COMMAND} -DORBTOOL=$<TARGET_FILE:orbtool> -DORB=$<TARGET_FILE:orb>
              -DCASE=${case}
              -DBUILTIN=${ORB_BUILTIN_CONTAINER} -DSAMPLE_DESKTOP=$<TARGET_FILE:sample_desktop>
              -DBALLS=${ORB_BAKED_BALLS_DIR} "-DSIDES=${ORB_BALL_SIDES}"
              -DWORK=${CMAKE_CURRENT_BINARY_DIR}/orbtool-${case}
              -P ${CMAKE_CURRENT_SOURCE_DIR}/tool/run_orbtool.cmake)
    set_tests_properties(orbtool.${case} PROPERTIES LABELS tool TIMEOUT 120)
  endforeach()
endif()
