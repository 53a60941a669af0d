# The saver under a real Wayland compositor (label wayland): headless sway,
# run by an unprivileged user the case makes, one output and then two, a
# known wallpaper, screenshots by grim, input by wtype and a virtual pointer;
# then fractional scale, every rotation, a killed orb and a hotplug.
# The sanitized build leaves it out; where sway cannot start, it skips.
if(ORB_SANITIZE OR NOT TARGET orb-wayland)
  return()
endif()
add_executable(orb_wayland_pointer ${CMAKE_CURRENT_LIST_DIR}/wayland/orb_wayland_pointer.cpp)
orb_wayland_client_code(orb_wayland_pointer ${CMAKE_CURRENT_LIST_DIR}/wayland/virtual-pointer.xml)
target_link_libraries(orb_wayland_pointer PRIVATE PkgConfig::WAYLAND_CLIENT)

# The hotplug case runs the sanitized build's orb-wayland (make asan), which
# make test builds first; without it the case says so and skips.
set(asan_orb_wayland "")
if(ORB_ASAN_DIR)
  set(asan_orb_wayland ${ORB_ASAN_DIR}/x11/orb-wayland)
endif()
add_test(NAME wayland.sway COMMAND ${CMAKE_CURRENT_LIST_DIR}/wayland/sway_e2e.sh
  $<TARGET_FILE:orb> $<TARGET_FILE:orb_wayland_pointer> ${CMAKE_BINARY_DIR}/wayland-screens
  "${asan_orb_wayland}")
set_tests_properties(wayland.sway PROPERTIES LABELS wayland TIMEOUT 360 SKIP_RETURN_CODE 77
  RESOURCE_LOCK orb_saver_user)
