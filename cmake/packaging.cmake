# What `cmake --install` lays out and how `make dist` packs it: orb where
# XScreenSaver's daemon looks for its hacks, its settings description where
# xscreensaver-settings reads them, its desktop entry where MATE's and Xfce's
# screen savers list theirs, orbtool, the man pages and the package's
# documents. The Debian package is CPack's DEB generator over these rules.
include(GNUInstallDirs)

# Who answers for the package (the Debian control file and changelog).
set(ORB_MAINTAINER "The Orb authors <orb@example.org>")

# orb's description for xscreensaver-settings.
set(ORB_XSCREENSAVER_XML ${ORB_XML_FILE})

# orb-wayland beside orb: orb hands a Wayland session over to it.
install(TARGETS orb orb-wayland DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver)
install(FILES ${ORB_XSCREENSAVER_XML} DESTINATION ${CMAKE_INSTALL_DATADIR}/xscreensaver/config)
install(TARGETS orbtool DESTINATION ${CMAKE_INSTALL_BINDIR})

# `orb` on everyone's PATH too, as a relative link to the hack, so the
# commands the README and orb(6) show work as typed.
set(packaging_out ${PROJECT_BINARY_DIR}/packaging)
file(RELATIVE_PATH orb_from_bin /${CMAKE_INSTALL_BINDIR}
     /${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver/orb)
file(MAKE_DIRECTORY ${packaging_out}/bin)
file(CREATE_LINK ${orb_from_bin} ${packaging_out}/bin/orb SYMBOLIC)
install(FILES ${packaging_out}/bin/orb DESTINATION ${CMAKE_INSTALL_BINDIR})

# MATE's screen saver (and Xfce's, its fork) offers every desktop entry of
# the Screensaver category in applications/screensavers/, and runs its Exec
# line with XSCREENSAVER_WINDOW set; the daemon runs hacks only from the
# folders it knows, XScreenSaver's among them.
set(ORB_HACK_PATH /usr/${CMAKE_INSTALL_LIBEXECDIR}/xscreensaver/orb)
configure_file(${PROJECT_SOURCE_DIR}/packaging/orb.desktop.in
  ${packaging_out}/orb.desktop @ONLY)
install(FILES ${packaging_out}/orb.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications/screensavers)

# Man pages and documents are installed gzipped (-n: no name or time
# stamp inside, so the same sources give the same bytes).
set(gzipped_files)
function(orb_gzip source destination)
  get_filename_component(name ${source} NAME)
  add_custom_command(OUTPUT ${packaging_out}/${name}.gz
    COMMAND gzip -9 -n -c ${source} > ${packaging_out}/${name}.gz
    DEPENDS ${source} VERBATIM)
  install(FILES ${packaging_out}/${name}.gz DESTINATION ${destination})
  set(gzipped_files ${gzipped_files} ${packaging_out}/${name}.gz PARENT_SCOPE)
endfunction()

configure_file(${PROJECT_SOURCE_DIR}/man/orb.6.in ${packaging_out}/orb.6 @ONLY)
# orbtool's options come from its own help (cmake/orbtool_docs.cmake).
set(orbtool_docs ${PROJECT_SOURCE_DIR}/cmake/orbtool_docs.cmake)
configure_file(${PROJECT_SOURCE_DIR}/man/orbtool.1.in ${packaging_out}/orbtool.1.in @ONLY)
add_custom_command(OUTPUT ${packaging_out}/orbtool.1
  COMMAND ${CMAKE_COMMAND} -DORBTOOL=$<TARGET_FILE:orbtool> -DMODE=man
          -DIN=${packaging_out}/orbtool.1.in -DOUT=${packaging_out}/orbtool.1 -P ${orbtool_docs}
  DEPENDS orbtool ${packaging_out}/orbtool.1.in ${orbtool_docs} VERBATIM)
# The README's table of them: `make readme-options` writes it anew.
add_custom_target(orbtool_readme_options
  COMMAND ${CMAKE_COMMAND} -DORBTOOL=$<TARGET_FILE:orbtool> -DMODE=write-readme
          -DREADME=${PROJECT_SOURCE_DIR}/README.md -P ${orbtool_docs}
  DEPENDS orbtool VERBATIM)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${packaging_out}/changelog @ONLY)
orb_gzip(${packaging_out}/orb.6 ${CMAKE_INSTALL_MANDIR}/man6)
orb_gzip(${packaging_out}/orbtool.1 ${CMAKE_INSTALL_MANDIR}/man1)
orb_gzip(${packaging_out}/changelog ${CMAKE_INSTALL_DOCDIR})
add_custom_target(orb_packaging_docs ALL DEPENDS ${gzipped_files})

# Debian's machine-readable copyright file, with LICENSE as its licence text.
# The licence text proper starts at its first paragraph after the title and
# the copyright line.
file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
string(REGEX REPLACE "^.*\n(Permission )" "\\1" license_text "${license_text}")
string(REGEX REPLACE "\n+$" "" license_text "${license_text}")
string(REPLACE "\n\n" "\n.\n" license_text "${license_text}")
string(REPLACE "\n" "\n " license_text "${license_text}")
string(REGEX REPLACE "^Copyright \\(c\\) " "" ORB_COPYRIGHT_HOLDER "${ORB_COPYRIGHT}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright.in ${packaging_out}/copyright @ONLY)
install(FILES ${packaging_out}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orb)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${ORB_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "crystal ball screen saver for XScreenSaver and Wayland")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xscreensaver)
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
file(READ ${PROJECT_SOURCE_DIR}/packaging/description.txt CPACK_DEBIAN_PACKAGE_DESCRIPTION)
# CPack puts the summary in front as the synopsis line.
string(STRIP "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}" CPACK_DEBIAN_PACKAGE_DESCRIPTION)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

# `make dist`: the Debian package, the Windows zip from the two cross
# builds, and SHA256SUMS over both, in dist/.
configure_file(${PROJECT_SOURCE_DIR}/packaging/windows-readme.txt.in
  ${packaging_out}/windows-readme.txt @ONLY)
add_custom_target(dist
  COMMAND ${PROJECT_SOURCE_DIR}/packaging/dist.sh ${PROJECT_BINARY_DIR} ${PROJECT_SOURCE_DIR}
          "${ORB_WIN64_DIR}" "${ORB_WIN32_DIR}" ${PROJECT_SOURCE_DIR}/dist ${PROJECT_VERSION}
  DEPENDS orb orb-wayland orbtool orb_packaging_docs
  VERBATIM USES_TERMINAL)
