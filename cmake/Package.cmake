# The Debian package of the Linux program: `cpack -G DEB` in a build tree
# (scripts/test-variants/package.sh shows the whole command) packs what
# cmake/Install.cmake installs below /usr, with the libraries it needs found
# by dpkg-shlibdeps, the copyright and changelog Debian asks for, and a
# post-install note on starting the recorder.
if(WIN32)
  return()
endif()

set(BRENVIK_LINUX_FILES ${PROJECT_SOURCE_DIR}/packaging/linux)

# The changelog's newest entry names the version being built.
file(STRINGS ${BRENVIK_LINUX_FILES}/changelog brenvik_changelog_head LIMIT_COUNT 1)
if(NOT brenvik_changelog_head MATCHES "^brenvik \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/linux/changelog does not start with version ${PROJECT_VERSION}")
endif()

install(FILES ${BRENVIK_LINUX_FILES}/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/brenvik)
set(brenvik_changelog_gz ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(OUTPUT ${brenvik_changelog_gz}
  COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${BRENVIK_LINUX_FILES}/changelog
          ${brenvik_changelog_gz}
  DEPENDS ${BRENVIK_LINUX_FILES}/changelog VERBATIM)
add_custom_target(brenvik_changelog ALL DEPENDS ${brenvik_changelog_gz})
install(FILES ${brenvik_changelog_gz} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/brenvik)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brenvik)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
# The package installs where the build was configured to (the user unit
# names the recorder's full path): configure with CMAKE_INSTALL_PREFIX=/usr.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_CONTACT "Taveron <brenvik@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "uptime monitor of the computer and of chosen programs")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Brenvik shows how long the computer has been up right now, in total and at its\n"
    "record, its idle time, downtime, boots, clean shutdowns and crashes; a\n"
    "filterable history of the computer's runs and of chosen programs' runs with\n"
    "CSV and HTML export; and the logins of each run. A per-user recorder,\n"
    "brenvik-service, logs what happens; brenvik-cli gives the same reports on the\n"
    "command line.")
string(JOIN "" CPACK_DEBIAN_PACKAGE_DESCRIPTION ${CPACK_DEBIAN_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://brenvik.example.org/")
# The libraries come from dpkg-shlibdeps; the window's display plugins are
# loaded at run time, so no library names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "systemd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${BRENVIK_LINUX_FILES}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
