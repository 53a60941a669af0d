# End-to-end runs of orb.scr's configuration dialog under Wine (label wine),
# inside the Xvfb and prefix of the Wine suite (tests/wine.cmake's wine_prefix
# fixture). The driver is a Windows program, compiled here with MinGW.
if(ORB_SANITIZE OR NOT ORB_WIN64_DIR OR NOT EXISTS ${CMAKE_CURRENT_LIST_DIR}/wine/suite.sh)
  return()
endif()
find_program(ORB_MINGW64_CXX x86_64-w64-mingw32-g++-posix)
if(NOT ORB_MINGW64_CXX)
  message(STATUS "dialog tests skipped: x86_64-w64-mingw32-g++-posix not found")
  return()
endif()

# The driver links the registry store too, to check it on its own.
set(dialog_driver_sources ${CMAKE_CURRENT_LIST_DIR}/wine/dialog_driver.cpp
    ${PROJECT_SOURCE_DIR}/settings/settings.cpp
    ${PROJECT_SOURCE_DIR}/settings/settings_store_registry.cpp)
set(dialog_driver ${CMAKE_CURRENT_BINARY_DIR}/dialog_driver.exe)
add_custom_command(OUTPUT ${dialog_driver}
  COMMAND ${ORB_MINGW64_CXX} -std=c++17 -O2 -Wall -Wextra -municode -static
          -I${PROJECT_SOURCE_DIR}/settings ${dialog_driver_sources} -lcomctl32 -lgdi32
          -o ${dialog_driver}
  DEPENDS ${dialog_driver_sources} ${PROJECT_SOURCE_DIR}/settings/settings.h
  COMMENT "Building the dialog test driver (MinGW)")
add_custom_target(orb_dialog_driver ALL DEPENDS ${dialog_driver})

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
