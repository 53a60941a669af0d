# End-to-end runs of the cross-built orb.scr under Wine and Xvfb (label wine).
# The Windows-side driver and stand-in DLLs come from the win64 cross build;
# one Xvfb and one Wine prefix serve every case (the wine_prefix fixture).
if(ORB_SANITIZE OR NOT ORB_WIN64_DIR)
  return()
endif()

set(wine_suite ${CMAKE_CURRENT_LIST_DIR}/wine/suite.sh)
set(wine_state ${CMAKE_BINARY_DIR}/wine-suite)

add_test(NAME wine.setup COMMAND ${wine_suite} setup ${wine_state})
add_test(NAME wine.cleanup COMMAND ${wine_suite} cleanup ${wine_state})
set_tests_properties(wine.setup PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 360)
set_tests_properties(wine.cleanup PROPERTIES FIXTURES_CLEANUP wine_prefix)

# orb_wine_case(NAME DRIVER_CASE SCR_DIR [DESKTOP])
function(orb_wine_case name driver_case scr_dir)
  add_test(NAME wine.${name}
    COMMAND ${wine_suite} case ${wine_state} ${ORB_WIN64_DIR} ${scr_dir} ${driver_case} ${ARGN})
  set_tests_properties(wine.${name} PROPERTIES FIXTURES_REQUIRED wine_prefix
    RESOURCE_LOCK wine_display SKIP_RETURN_CODE 77 TIMEOUT 150 LABELS wine)
endfunction()

foreach(c dim30 dim55 mouse second-instance deactivate preview bad-switches
          container-bounce container-appear container-corrupt container-truncated
          win98-no-password win98-password win98-password-dialog win98-change-password change-password-refused
          fault-guard resources message-loop hardening)
  orb_wine_case(${c} ${c} ${ORB_WIN64_DIR})
endforeach()
# A width whose 24-bit rows need padding (1021 * 3 is no multiple of 4).
orb_wine_case(dim30-odd-width dim30 ${ORB_WIN64_DIR} 1021x767)
# Two monitors, one of them left of and above the primary one; a screen of
# 192 DPI, which gets the 256-pixel ball.
orb_wine_case(monitors monitors ${ORB_WIN64_DIR} monitors)
orb_wine_case(dpi192 dpi192 ${ORB_WIN64_DIR} dpi192)
if(ORB_WIN32_DIR)
  orb_wine_case(smoke32 smoke ${ORB_WIN32_DIR})
endif()

# The files themselves, without running them: these hold for the 32-bit
# saver on every machine, also where it cannot be started.
add_test(NAME wine.pe-win64 COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine/check_pe.sh
  x86_64-w64-mingw32-objdump ${ORB_WIN64_DIR}/host/orb.scr ${PROJECT_SOURCE_DIR}/resources/orb.lib)
set_tests_properties(wine.pe-win64 PROPERTIES LABELS wine SKIP_RETURN_CODE 77)
if(ORB_WIN32_DIR)
  add_test(NAME wine.pe-win32 COMMAND ${CMAKE_CURRENT_LIST_DIR}/wine/check_pe.sh
    i686-w64-mingw32-objdump ${ORB_WIN32_DIR}/host/orb.scr ${PROJECT_SOURCE_DIR}/resources/orb.lib)
  set_tests_properties(wine.pe-win32 PROPERTIES LABELS wine SKIP_RETURN_CODE 77)
endif()

set_tests_properties(wine.setup wine.cleanup PROPERTIES LABELS wine SKIP_RETURN_CODE 77)
