# Installed layout and the Debian package.
#
#   <prefix>/bin/quorvel, <prefix>/bin/quorvel-sim
#   <prefix>/share/quorvel/*.she                 skins; Settings::resourceDir() finds them as <exe>/../share/quorvel
#   <prefix>/share/applications/quorvel.desktop
#   <prefix>/share/icons/hicolor/<size>/apps/quorvel.png|svg
#   <prefix>/share/metainfo/com.quorvel.client.metainfo.xml
#   <prefix>/share/man/man1/quorvel.1.gz, quorvel-sim.1.gz
#   <prefix>/share/doc/quorvel/copyright, changelog.Debian.gz
#   <prefix>/share/lintian/overrides/quorvel
#
# The pictures the windows show are compiled in as Qt resources, so the skins are the only data
# files. An installed client keeps login.ini, its skin copies and Cookies/ in the per-user data
# folder, because its executable's folder is not the resource folder.
include(GNUInstallDirs)

set(QUORVEL_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS quorvel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT client)

install(FILES ${QUORVEL_SKINS} DESTINATION ${CMAKE_INSTALL_DATADIR}/quorvel COMPONENT client)

install(FILES ${QUORVEL_PACKAGING_DIR}/quorvel.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT client)

# PNG sizes are rendered from the SVG by tools/make-icons.sh and committed.
foreach(size 16 32 48 64 128 256)
  install(FILES ${QUORVEL_PACKAGING_DIR}/icons/${size}/quorvel.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps COMPONENT client)
endforeach()
install(FILES ${QUORVEL_PACKAGING_DIR}/icons/quorvel.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT client)

install(FILES ${QUORVEL_PACKAGING_DIR}/com.quorvel.client.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT client)

# Manual pages and the Debian changelog are installed compressed, as Debian wants: gzip -9 -n
# leaves no name or time stamp in the file, so two builds give the same bytes. Built by the target
# quorvel_docs (part of "all"; the package build names it).
find_program(QUORVEL_GZIP gzip REQUIRED)
set(QUORVEL_DOC_OUT ${PROJECT_BINARY_DIR}/packaging)
set(QUORVEL_DOC_GZ)
foreach(doc man/quorvel.1 man/quorvel-sim.1 changelog.Debian)
  get_filename_component(doc_name ${doc} NAME)
  add_custom_command(OUTPUT ${QUORVEL_DOC_OUT}/${doc_name}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${QUORVEL_DOC_OUT}
    COMMAND ${QUORVEL_GZIP} -9 -n -c ${QUORVEL_PACKAGING_DIR}/${doc} > ${QUORVEL_DOC_OUT}/${doc_name}.gz
    DEPENDS ${QUORVEL_PACKAGING_DIR}/${doc}
    COMMENT "Compressing ${doc_name}" VERBATIM)
  list(APPEND QUORVEL_DOC_GZ ${QUORVEL_DOC_OUT}/${doc_name}.gz)
endforeach()
add_custom_target(quorvel_docs ALL DEPENDS ${QUORVEL_DOC_GZ})
install(FILES ${QUORVEL_DOC_OUT}/quorvel.1.gz ${QUORVEL_DOC_OUT}/quorvel-sim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT client)
install(FILES ${QUORVEL_PACKAGING_DIR}/copyright ${QUORVEL_DOC_OUT}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvel COMPONENT client)
# Lintian warnings that do not apply to this package, each with its reason.
install(FILES ${QUORVEL_PACKAGING_DIR}/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME quorvel COMPONENT client)

# The forum simulator lets a member try the client without an account on the real site.
if(TARGET quorvel-sim)
  install(TARGETS quorvel-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT simulator)
endif()

# ---- Debian package (cpack in the build folder) -------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorvel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# Debian revision 1: the package is made by the project, not part of the upstream version, so the
# changelog is changelog.Debian.gz.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_VENDOR "Quorvel")
set(CPACK_PACKAGE_CONTACT "Quorvel client developers <client@quorvel.com>")
# Lintian: the summary must not start with the package's name; description lines stay under 80.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "member client for the Quorvel forum")
set(CPACK_PACKAGE_DESCRIPTION
    "Desktop client for members of the Quorvel forum: sign in, see name, avatar,\n"
    "credits and VIP status in a small member panel, exchange za into Quorvel\n"
    "coins, sign out, recover a lost password. Sites on HTTP or HTTPS.\n"
    "Includes quorvel-sim, a local stand-in for the forum to try the client with.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # quorvel_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
# One package with client and simulator.
set(CPACK_DEB_COMPONENT_INSTALL OFF)

# The Qt libraries come from what the binaries link (dpkg-shlibdeps); the list below stands in
# where that tool is missing. The simulator serves HTTP over plain QTcpServer, so neither program
# needs Qt HttpServer or WebSockets at run time. Platform plugins are loaded at run time, so no
# linker sees them: the X11 one ships in libqt6gui6, the others in qt6-qpa-plugins. Qt's own
# texts (message-box buttons, context menus) come in Chinese from qt6-translations-l10n, read at
# run time as well.
set(QUORVEL_DEB_RUNTIME_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
find_program(QUORVEL_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QUORVEL_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "${QUORVEL_DEB_RUNTIME_DEPENDS}")
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
      "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), libqt6network6 (>= 6.4), "
      "${QUORVEL_DEB_RUNTIME_DEPENDS}")
  string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DEPENDS "${CPACK_DEBIAN_PACKAGE_DEPENDS}")
endif()
# Fallbacks for the Windows fonts the windows name (微软雅黑, Consolas, Verdana).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, fonts-dejavu-core")

include(CPack)
