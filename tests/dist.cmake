# The release: the man pages against the programs' own help (label tool),
# and the files `make dist` writes into dist/ (label dist): the Windows zip,
# the Debian package with lintian, and the package under XScreenSaver's and
# MATE's real daemons on a private Xvfb. The dist cases skip when dist/ has not been made;
# `make test` makes it first.
if(ORB_SANITIZE OR NOT TARGET orb OR NOT TARGET orbtool)
  return()
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(release_checks ${CMAKE_CURRENT_LIST_DIR}/dist)
set(release_dir ${PROJECT_SOURCE_DIR}/dist)
set(man_pages ${PROJECT_BINARY_DIR}/packaging)  # configured by cmake/packaging.cmake

add_test(NAME man.orb COMMAND Python3::Interpreter ${release_checks}/check_man_options.py
  ${man_pages}/orb.6 $<TARGET_FILE:orb> -help)
add_test(NAME man.orbtool COMMAND Python3::Interpreter ${release_checks}/check_man_options.py
  ${man_pages}/orbtool.1 $<TARGET_FILE:orbtool> --help)
add_test(NAME readme.orbtool_options COMMAND ${CMAKE_COMMAND} -DORBTOOL=$<TARGET_FILE:orbtool>
  -DMODE=check-readme -DREADME=${PROJECT_SOURCE_DIR}/README.md
  -P ${PROJECT_SOURCE_DIR}/cmake/orbtool_docs.cmake)
set_tests_properties(man.orb man.orbtool readme.orbtool_options PROPERTIES LABELS tool)

add_test(NAME dist.windows_zip COMMAND Python3::Interpreter ${release_checks}/check_windows_zip.py
  ${release_dir}/orb-${PROJECT_VERSION}-windows.zip ${PROJECT_VERSION} ${PROJECT_SOURCE_DIR}/LICENSE)
add_test(NAME dist.deb COMMAND ${release_checks}/check_deb.sh ${release_dir} ${PROJECT_VERSION})
add_test(NAME dist.xscreensaver COMMAND ${release_checks}/xscreensaver_e2e.sh
  ${release_dir}/orb_${PROJECT_VERSION}_amd64.deb $<TARGET_FILE:orb_x11_probe>
  ${orb_played_ball} ${CMAKE_BINARY_DIR}/x11-screens)
# The same on a screen cut into two monitors, in three layouts.
add_test(NAME dist.xscreensaver-monitors COMMAND ${release_checks}/xscreensaver_e2e.sh
  ${release_dir}/orb_${PROJECT_VERSION}_amd64.deb $<TARGET_FILE:orb_x11_probe>
  ${orb_played_ball} ${CMAKE_BINARY_DIR}/x11-screens monitors)
set_tests_properties(dist.windows_zip dist.deb dist.xscreensaver PROPERTIES
  LABELS dist TIMEOUT 180 SKIP_RETURN_CODE 77)
set_tests_properties(dist.xscreensaver-monitors PROPERTIES
  LABELS dist TIMEOUT 300 SKIP_RETURN_CODE 77 RESOURCE_LOCK orb_saver_user)
# MATE's screen saver over a wallpaper, running orb from the package's
# desktop entry.
add_test(NAME dist.mate COMMAND ${release_checks}/mate_e2e.sh
  ${release_dir}/orb_${PROJECT_VERSION}_amd64.deb $<TARGET_FILE:orb_x11_probe>
  ${orb_played_ball} ${CMAKE_BINARY_DIR}/x11-screens)
set_tests_properties(dist.mate PROPERTIES LABELS dist TIMEOUT 180 SKIP_RETURN_CODE 77)
set_tests_properties(dist.xscreensaver dist.mate PROPERTIES RESOURCE_LOCK orb_saver_user)
