# Hostile conditions for orb.scr under Wine (label wine): preview parents of
# awkward sizes, fifty runs in a row, input and timer storms, unusable
# "Scrsvr.lib" files, a screen too small for the ball. They share the Wine
# suite's Xvfb and prefix (tests/wine.cmake, included before this file).
if(ORB_SANITIZE OR NOT ORB_WIN64_DIR OR NOT COMMAND orb_wine_case)
  return()
endif()

foreach(c preview-sizes input-storm input-storm-win98 container-files)
  orb_wine_case(hostile-${c} hostile-${c} ${ORB_WIN64_DIR})
endforeach()
# Full screen in virtual desktops whose 24-bit rows need padding (1023 * 3 and
# 131 * 3 are no multiples of 4): each run checks the darkened screen pixel by
# pixel. 131 x 131 leaves the ball just the 3 pixels of slack it needs;
# 130 x 131 is one short, so nothing may be drawn there.
orb_wine_case(hostile-cycles hostile-cycles ${ORB_WIN64_DIR} 1023x700)
orb_wine_case(hostile-timer-flood hostile-timer-flood ${ORB_WIN64_DIR} 131x131)
orb_wine_case(hostile-too-small hostile-too-small ${ORB_WIN64_DIR} 130x131)
# The 32-bit saver reads "Scrsvr.lib" through the same 32-bit file lengths.
if(ORB_WIN32_DIR)
  orb_wine_case(hostile-container-files32 hostile-container-files ${ORB_WIN32_DIR})
endif()

