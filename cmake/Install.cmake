# Where an installed Brenvik puts its files on Linux (GNUInstallDirs): the
# three programs, the recorder's systemd user unit, the desktop entry, the
# icon (SVG, and PNG sizes rendered from it at build time), the AppStream
# metainfo, the man pages and the bash completion of brenvik-cli. Every
# install rule of the program lives here. `cmake --install build --prefix
# DIR` gives the complete program below DIR; cmake/Package.cmake packs the
# same files as a Debian package.
if(WIN32)
  return()
endif()

include(GNUInstallDirs)

set(BRENVIK_APP_ID org.taveron.Brenvik)
set(BRENVIK_LINUX_FILES ${PROJECT_SOURCE_DIR}/packaging/linux)
set(BRENVIK_GENERATED ${PROJECT_BINARY_DIR}/packaging)

# The release notes of the metainfo name the version being built.
file(READ ${BRENVIK_LINUX_FILES}/${BRENVIK_APP_ID}.metainfo.xml brenvik_metainfo)
if(NOT brenvik_metainfo MATCHES "<release version=\"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "${BRENVIK_APP_ID}.metainfo.xml has no release ${PROJECT_VERSION}")
endif()

# --- programs ---
foreach(program brenvik brenvik-cli brenvik-service)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
endforeach()

# --- the recorder's systemd user unit, started from the installed program ---
# The source unit starts ~/.local/bin/brenvik-service (scripts/run.sh puts it
# there); the installed one starts the installed program and makes the
# user's product key first, as an installer run by that user would.
file(READ ${PROJECT_SOURCE_DIR}/tools/brenvik-service/brenvik-service.service brenvik_unit)
string(REPLACE "ExecStart=%h/.local/bin/brenvik-service"
       "ExecStartPre=${CMAKE_INSTALL_FULL_BINDIR}/brenvik-service --install-user-key\nExecStart=${CMAKE_INSTALL_FULL_BINDIR}/brenvik-service"
       brenvik_unit "${brenvik_unit}")
file(WRITE ${BRENVIK_GENERATED}/brenvik-service.service "${brenvik_unit}")
install(FILES ${BRENVIK_GENERATED}/brenvik-service.service DESTINATION lib/systemd/user)

# The metrics timer and its service (off until a user enables the timer),
# starting the installed brenvik-cli likewise.
file(READ ${PROJECT_SOURCE_DIR}/tools/brenvik-service/brenvik-metrics.service brenvik_unit)
string(REPLACE "ExecStart=%h/.local/bin/brenvik-cli"
       "ExecStart=${CMAKE_INSTALL_FULL_BINDIR}/brenvik-cli" brenvik_unit "${brenvik_unit}")
file(WRITE ${BRENVIK_GENERATED}/brenvik-metrics.service "${brenvik_unit}")
install(FILES ${BRENVIK_GENERATED}/brenvik-metrics.service
              ${PROJECT_SOURCE_DIR}/tools/brenvik-service/brenvik-metrics.timer
        DESTINATION lib/systemd/user)

# --- desktop entry, metainfo, icon ---
install(FILES ${BRENVIK_LINUX_FILES}/${BRENVIK_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${BRENVIK_LINUX_FILES}/${BRENVIK_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${BRENVIK_LINUX_FILES}/${BRENVIK_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

find_program(RSVG_CONVERT rsvg-convert)
find_program(SCDOC scdoc)
if(NOT RSVG_CONVERT OR NOT SCDOC)
  message(STATUS "rsvg-convert or scdoc not found: no PNG icons and man pages to install")
  return()
endif()

set(brenvik_rendered)
foreach(size 16 22 24 32 48 64 128 256)
  set(png ${BRENVIK_GENERATED}/icons/${size}x${size}/${BRENVIK_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BRENVIK_GENERATED}/icons/${size}x${size}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
            ${BRENVIK_LINUX_FILES}/${BRENVIK_APP_ID}.svg
    DEPENDS ${BRENVIK_LINUX_FILES}/${BRENVIK_APP_ID}.svg
    COMMENT "Rendering the ${size}x${size} icon")
  list(APPEND brenvik_rendered ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# --- man pages (scdoc sources, compressed as Debian keeps them) ---
foreach(page brenvik brenvik-cli brenvik-service)
  set(man ${BRENVIK_GENERATED}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${man}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${BRENVIK_GENERATED}/man
    COMMAND sh -c "\"$0\" < \"$1\" | gzip -9n > \"$2\"" ${SCDOC}
            ${BRENVIK_LINUX_FILES}/${page}.1.scd ${man}
    DEPENDS ${BRENVIK_LINUX_FILES}/${page}.1.scd
    COMMENT "Writing the man page ${page}(1)" VERBATIM)
  list(APPEND brenvik_rendered ${man})
  install(FILES ${man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(brenvik_desktop_files ALL DEPENDS ${brenvik_rendered})

# --- bash completion of brenvik-cli ---
install(FILES ${BRENVIK_LINUX_FILES}/brenvik-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME brenvik-cli)
