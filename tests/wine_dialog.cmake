# End-to-end runs of orb.scr's configuration dialog under Wine (label wine),
# inside the Xvfb and prefix of the Wine suite (tests/wine.cmake's wine_prefix
# fixture). The driver comes from the win64 cross build (tests/wine/).
if(ORB_SANITIZE OR NOT ORB_WIN64_DIR OR NOT EXISTS ${CMAKE_CURRENT_LIST_DIR}/wine/suite.sh)
  return()
endif()
set(dialog_driver ${ORB_WIN64_DIR}/tests/wine/orb_dialog_driver.exe)

set(dialog_state ${CMAKE_BINARY_DIR}/wine-suite)
foreach(case store template texts_fit no_key_escape no_key_ok close_box short_value out_of_range
             long_value keyboard owners dims_next_start screenshot)
  add_test(NAME wine.dialog.${case}
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine/dialog_run.sh ${dialog_state} ${dialog_driver}
            ${ORB_WIN64_DIR}/host/orb.scr ${case})
  set_tests_properties(wine.dialog.${case} PROPERTIES LABELS wine FIXTURES_REQUIRED wine_prefix
    RESOURCE_LOCK wine_display SKIP_RETURN_CODE 77 TIMEOUT 150)
endforeach()
# The 32-bit saver's dialog: its export and its store work the same.
if(ORB_WIN32_DIR)
  foreach(case template keyboard)
    add_test(NAME wine.dialog32.${case}
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine/dialog_run.sh ${dialog_state} ${dialog_driver}
              ${ORB_WIN32_DIR}/host/orb.scr ${case} 32)
    set_tests_properties(wine.dialog32.${case} PROPERTIES LABELS wine FIXTURES_REQUIRED wine_prefix
      RESOURCE_LOCK wine_display SKIP_RETURN_CODE 77 TIMEOUT 150)
  endforeach()
endif()
