# One orbtool end-to-end case: cmake -DORBTOOL=... -DCASE=... -DBUILTIN=...
# -DWORK=<scratch dir> [-DSAMPLE_DESKTOP=...] -P run_orbtool.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})

# Run `program` with ARGN; fail unless it exits with `status` and its output
# (stdout and stderr together) matches `pattern`.
function(expect_of program status pattern)
  execute_process(COMMAND ${program} ${ARGN} WORKING_DIRECTORY ${WORK}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  get_filename_component(name ${program} NAME)
  if(NOT rc STREQUAL "${status}")
    message(FATAL_ERROR "${name} ${ARGN}: exit ${rc}, expected ${status}\n${out}${err}")
  endif()
  if(NOT "${out}${err}" MATCHES "${pattern}")
    message(FATAL_ERROR "${name} ${ARGN}: output does not match '${pattern}':\n${out}${err}")
  endif()
endfunction()

function(expect status pattern)
  expect_of(${ORBTOOL} ${status} "${pattern}" ${ARGN})
endfunction()

# The first `count` bytes of `from`, written to `to`.
function(head from to count)
  execute_process(COMMAND head -c ${count} ${from} OUTPUT_FILE ${to} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot cut ${from}")
  endif()
endfunction()

if(CASE STREQUAL "bake_reproduces_builtin")
  expect(0 "60 frames of 128 x 128" bake -o ${WORK}/orb.lib)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${WORK}/orb.lib ${BUILTIN}
                  RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    message(FATAL_ERROR "orbtool bake no longer reproduces ${BUILTIN}")
  endif()
  expect(0 "frames of 64 x 64" bake --size 64x64 --frames 12 --max-diameter 60 -o small.lib)
  expect(0 "frames            12" info small.lib)
elseif(CASE STREQUAL "info_builtin")
  expect(0 "valid: no violation" info ${BUILTIN})
  expect(0 "light levels +32 of 32 used" info ${BUILTIN})
elseif(CASE STREQUAL "render_builtin")
  expect(0 "contact sheet of 60 frames" render ${BUILTIN} --ticks 30 --dim 50 -o ${WORK}/sheet.png)
  foreach(png sheet.png sheet-screen.png)
    if(NOT EXISTS ${WORK}/${png})
      message(FATAL_ERROR "render wrote no ${png}")
    endif()
  endforeach()
  # An OUT without an extension gets one; the screen's name follows it.
  expect(0 "noext.png: contact sheet.*noext-screen.png: the screen" render ${BUILTIN} --ticks 1
         -o noext)
  # A rendered screen serves as a background in turn.
  expect(0 "the screen after 5 ticks" render ${BUILTIN} --background ${WORK}/sheet-screen.png
         --ticks 5 -o ${WORK}/again.png)
elseif(CASE STREQUAL "cut_frames")
  expect(0 "3 frames cut from" cut ${BUILTIN} --frames 29,0,29 -o ${WORK}/three.lib)
  expect(0 "frames            3" info three.lib)
  expect(0 "valid: no violation" info three.lib)
  expect(1 "frame 3 is not in 0..2" cut three.lib --frames 0,3 -o again.lib)
  expect(2 "--frames needs frame numbers" cut three.lib --frames 1,,2 -o again.lib)
  expect(2 "cut needs FILE, --frames and -o OUT" cut three.lib -o again.lib)
  head(${BUILTIN} ${WORK}/short.lib 5000)
  expect(1 "short.lib: not a valid container" cut short.lib --frames 0 -o again.lib)
  # A ball too wide for a tiny frame is refused, not written.
  expect(2 "2 <= min <= max <= 6 \\(a frame side below 12"
         bake --size 8x8 --frames 1 --max-diameter 8 --min-diameter 8 -o tiny.lib)
  foreach(left again.lib tiny.lib)
    if(EXISTS ${WORK}/${left})
      message(FATAL_ERROR "a refused cut or bake left ${left} behind")
    endif()
  endforeach()
elseif(CASE STREQUAL "usage_errors")
  expect(2 "unknown command 'bakery'" bakery)
  expect(2 "--frames needs a whole number" bake --frames ten)
  expect(2 "frame count must be 1..127" bake --frames 200 -o x.lib)
  expect(2 "unknown bake option '--colour'" bake --colour red)
  expect(2 "render needs -o OUT" render ${BUILTIN})
  expect(2 "--dim needs a percentage" render ${BUILTIN} --dim 101 -o x.png)
  expect(2 "info takes exactly one file" info)
  expect(0 "usage: orbtool" --help)
  if(EXISTS ${WORK}/x.lib OR EXISTS ${WORK}/x.png)
    message(FATAL_ERROR "a usage error left a file behind")
  endif()
elseif(CASE STREQUAL "option_tables")
  # Every option of both tables: refused values name what they need, the
  # usage text lists each option with its range and default.
  expect(2 "--size needs WIDTHxHEIGHT, for example 128x128" bake --size 64)
  expect(2 "--size needs WIDTHxHEIGHT" bake --size 0x64)
  expect(2 "--frames needs a whole number" bake --frames)
  expect(2 "-o needs a file name" bake -o)
  expect(2 "-o needs a file name" render ${BUILTIN} -o "")
  expect(2 "--ticks needs a count 0..1000000" render ${BUILTIN} --ticks 1000001 -o x.png)
  expect(2 "--dim needs a percentage 0..100" render ${BUILTIN} --dim -1 -o x.png)
  expect(2 "--background needs a PNG file" render ${BUILTIN} -o x.png --background)
  expect(2 "unknown render option '--frames'" render ${BUILTIN} --frames 3 -o x.png)
  expect(2 "unknown bake option '--dim'" bake --dim 30)
  expect(2 "render needs a container file" render)
  expect(0 "--size WxH +frame width and height in pixels, 8..400 \\(128x128\\)" --help)
  expect(0 "-o FILE +where to write the container \\(orb.lib\\)" --help)
  expect(0 "--refraction P +[^\n]*\n +0..200 \\(100\\)" --help)
  expect(0 "--dim P +brightness the desktop keeps in percent, 0..100 \\(30\\)" --help)
  expect(0 "--ticks N +[^\n]*, 0..1000000\n +\\(120\\)" --help)
  if(EXISTS ${WORK}/x.lib OR EXISTS ${WORK}/x.png)
    message(FATAL_ERROR "a usage error left a file behind")
  endif()
  # The ends of a range are taken; a repeated option's last value counts.
  expect(0 "the screen after 0 ticks" render ${BUILTIN} --dim 100 --dim 0 --ticks 0 -o edge.png)
  expect(0 "5 frames of 32 x 24" bake --frames 9 --size 32x24 --frames 5 --max-diameter 20
         --min-diameter 8 -o ${WORK}/small.lib)
elseif(CASE STREQUAL "command_lines")
  # Help and usage errors of both programs: status, then the whole output.
  # A usage error is one line and where the help is, never the full usage.
  set(rows
    "0|^usage: orbtool bake .*\n  --facets F +how finely the glass is cut|${ORBTOOL}|--help"
    "0|^usage: orbtool bake [^\n]*\n\nGenerate.*--refraction P|${ORBTOOL}|bake|--help"
    "0|^usage: orbtool info FILE\n\nCheck FILE|${ORBTOOL}|info|--help"
    "0|^usage: orbtool cut FILE .*--frames I,J,...|${ORBTOOL}|cut|x.lib|-h"
    "0|^usage: orbtool render FILE .*--ticks N|${ORBTOOL}|help|render"
    "2|^orbtool: no command given\nTry 'orbtool --help'.\n$|${ORBTOOL}"
    "2|^orbtool: unknown command 'bakery'\nTry 'orbtool --help'.\n$|${ORBTOOL}|bakery"
    "2|^orbtool: frame count must be 1..127\nTry 'orbtool bake --help'.\n$|${ORBTOOL}|bake|--frames|0"
    "2|^orbtool: unknown render option '-x'\nTry 'orbtool render --help'.\n$|${ORBTOOL}|render|${BUILTIN}|-x|1"
    "2|^orbtool: info takes exactly one file\nTry 'orbtool info --help'.\n$|${ORBTOOL}|info"
    "0|^Usage: orb .*\n  -wayland|${ORB}|--help"
    "2|^orb: give only one of -x11 and -wayland\nTry 'orb -help'.\n$|${ORB}|-x11|-dim|5|-wayland"
    "2|^orb: unknown option '-frobnicate'\nTry 'orb -help'.\n$|${ORB}|-frobnicate"
    "2|^orb: -hold needs -ticks N\nTry 'orb -help'.\n$|${ORB}|-root|-hold"
    "1|^orb: cannot store the setting: neither XDG_CONFIG_HOME nor HOME is set\n$|env|-u|HOME|-u|XDG_CONFIG_HOME|${ORB}|-dim|5|-save")
  foreach(row IN LISTS rows)
    string(REPLACE "|" ";" fields "${row}")
    list(POP_FRONT fields status pattern program)
    expect_of(${program} ${status} "${pattern}" ${fields})
  endforeach()
elseif(CASE STREQUAL "size_range")
  # Every frame size the help offers bakes a ball the saver plays, up to the
  # widest ball it allows, with the finest and the coarsest cut; a wider
  # ball is refused with the rule.
  foreach(side 8 9 10 11 12 13 14 15 16 17 18 19 20 24 31 64 129 400)
    set(widest ${side})
    if(side LESS 12)
      math(EXPR widest "${side} - 2")
    endif()
    set(frames 60)
    if(side GREATER 20)
      set(frames 3)
    endif()
    foreach(cut "--facets;12;--refraction;200" "--facets;1;--brightness;400" "--facets;0")
      expect(0 "frames of ${side} x ${side}" bake --size ${side}x${side} --frames ${frames}
             --max-diameter ${widest} ${cut} -o ${WORK}/ball.lib)
      expect(0 "valid: no violation" info ball.lib)
    endforeach()
    expect(0 "frames of ${side} x ${side}" bake --size ${side}x${side} --frames ${frames}
           -o ${WORK}/ball.lib)
  endforeach()
  expect(0 "frames of 400 x 8" bake --size 400x8 --frames 5 -o ${WORK}/ball.lib)
  expect(0 "valid: no violation" info ball.lib)
  expect(2 "max <= 7 \\(a frame side below 12" bake --size 9x9 --max-diameter 8)
  expect(2 "frame size must be 8..400" bake --size 7x64)
elseif(CASE STREQUAL "missing_file")
  expect(1 "cannot open no-such.lib" info no-such.lib)
  expect(1 "cannot open no-such.lib" render no-such.lib -o x.png)
  expect(1 "cannot open no-such.png" render ${BUILTIN} --background no-such.png -o x.png)
elseif(CASE STREQUAL "truncated_container")
  head(${BUILTIN} ${WORK}/cut.lib 20000)
  expect(1 "violation +frame [0-9]+" info cut.lib)
  expect(1 "not a valid container" render cut.lib -o x.png)
  head(${BUILTIN} ${WORK}/header.lib 100)
  expect(1 "container is 100 bytes" info header.lib)
  file(WRITE ${WORK}/empty.lib "")
  expect(1 "not a valid container" info empty.lib)
elseif(CASE STREQUAL "not_a_container")
  file(WRITE ${WORK}/text.png "hello, this is not a PNG at all\n")
  expect(1 "text.png is not a PNG file" render ${BUILTIN} --background text.png -o x.png)
  head(${BUILTIN} ${WORK}/cut.png 0)
  expect(1 "is not a PNG file" render ${BUILTIN} --background cut.png -o x.png)
elseif(CASE STREQUAL "unwritable_output")
  expect(1 "cannot create ${WORK}/no-dir/orb.lib" bake -o ${WORK}/no-dir/orb.lib)
  expect(1 "cannot create ${WORK}/no-dir/sheet.png" render ${BUILTIN} -o ${WORK}/no-dir/sheet.png)
  # A directory where the file should go.
  file(MAKE_DIRECTORY ${WORK}/taken.lib)
  expect(1 "cannot create .*taken.lib" bake -o ${WORK}/taken.lib)
elseif(CASE STREQUAL "sample_desktop")
  # The preview pictures' desktop: drawn at the size asked, it plays under
  # the ball; a wrong call writes nothing and says how to call it.
  foreach(theme light dark)
    expect_of(${SAMPLE_DESKTOP} 0 "^$" ${theme} 320x240 ${WORK}/${theme}.png)
    expect(0 "the screen after 5 ticks" render ${BUILTIN} --background ${theme}.png --ticks 5
           -o ${WORK}/${theme}-sheet.png)
  endforeach()
  set(usage "usage: sample_desktop light\\|dark WIDTHxHEIGHT OUT.png")
  expect_of(${SAMPLE_DESKTOP} 2 "${usage}")
  expect_of(${SAMPLE_DESKTOP} 2 "${usage}" grey 320x240 x.png)
  expect_of(${SAMPLE_DESKTOP} 2 "at least 320x240" light 319x240 x.png)
  expect_of(${SAMPLE_DESKTOP} 2 "${usage}" light 320 x.png)
  if(EXISTS ${WORK}/x.png)
    message(FATAL_ERROR "a usage error left a file behind")
  endif()
  expect_of(${SAMPLE_DESKTOP} 1 "sample_desktop: cannot create .*no-dir/x.png"
            dark 320x240 ${WORK}/no-dir/x.png)
elseif(CASE STREQUAL "baked_balls")
  # The larger balls the build baked: each passes the saver's checks and has
  # the 128's 60 frames and play mode at its own size.
  execute_process(COMMAND ${ORBTOOL} info ${BUILTIN} OUTPUT_VARIABLE base)
  string(REGEX MATCH "play mode +[-0-9]+" mode "${base}")
  list(REMOVE_AT SIDES 0)
  foreach(side ${SIDES})
    expect(0 "frame size +${side} x ${side}\nframes +60\n${mode}\n.*valid: no violation"
           info ${BALLS}/orb-${side}.lib)
  endforeach()
else()
  message(FATAL_ERROR "unknown case ${CASE}")
endif()
