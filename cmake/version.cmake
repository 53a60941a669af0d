# The release number is declared once, in project(); the programs, the
# Windows version resource, the man pages and the packages all take it from
# there. The copyright line is LICENSE's own.
file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE ORB_COPYRIGHT REGEX "^Copyright " LIMIT_COUNT 1)
if(NOT ORB_COPYRIGHT)
  message(FATAL_ERROR "LICENSE has no Copyright line")
endif()
add_compile_definitions(ORB_VERSION="${PROJECT_VERSION}")

# Generated files that the sources include by name (the .rc fragment and
# the manifest, whose assembly version is the release's).
set(ORB_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
if(WIN32)
  configure_file(${PROJECT_SOURCE_DIR}/resources/version.rc.in ${ORB_GENERATED_DIR}/version.rc @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/resources/orb.manifest.in ${ORB_GENERATED_DIR}/orb.manifest @ONLY)
endif()
