# The host's command-line rules are plain text work and run natively: they
# join the unit tests (command_line_test.cpp) from host/.
target_sources(orb_tests PRIVATE ${PROJECT_SOURCE_DIR}/host/command_line.cpp)
target_include_directories(orb_tests PRIVATE ${PROJECT_SOURCE_DIR}/host)
