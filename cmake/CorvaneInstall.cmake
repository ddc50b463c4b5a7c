# What "cmake --install" puts where, below the prefix:
#   lib/corvane/            the programs with their own files beside them ("Corvane.ini",
#                           the language files, "corvane.icl"), as the programs expect, and
#                           the marker "corvane.installed" that makes them read the user's
#                           own settings (see document/Settings.h)
#   bin/                    links to the programs: a program finds its own folder through
#                           /proc/self/exe, which names the file the link leads to
#   share/applications, share/mime/packages, share/icons/hicolor
#                           the editor's desktop entry, the .bar file type and its icon
#   share/man/man1, share/bash-completion/completions, share/doc/corvane
#                           manuals, the completion of corvane-cli, the README
# CORVANE_INSTALL_PKGDIR (set before the programs' folders are added) names lib/corvane.
set(CORVANE_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(FILES ${CORVANE_PACKAGING_DIR}/corvane.installed DESTINATION ${CORVANE_INSTALL_PKGDIR})

# A program's link in bin/, made in the build folder and installed as the link it is.
function(corvane_install_link program)
  set(link ${CMAKE_BINARY_DIR}/install-links/${program})
  file(RELATIVE_PATH target /${CMAKE_INSTALL_BINDIR} /${CORVANE_INSTALL_PKGDIR}/${program})
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/install-links)
  file(CREATE_LINK ${target} ${link} SYMBOLIC)
  install(FILES ${link} DESTINATION ${CMAKE_INSTALL_BINDIR})
endfunction()

# A manual with the version and the programs' folder filled in, compressed as Debian
# keeps manuals when gzip is there.
find_program(CORVANE_GZIP gzip)
function(corvane_install_manual page)
  set(CORVANE_VERSION ${PROJECT_VERSION})
  set(CORVANE_PKGDIR ${CMAKE_INSTALL_PREFIX}/${CORVANE_INSTALL_PKGDIR})
  set(text ${CMAKE_BINARY_DIR}/man/${page})
  configure_file(${CORVANE_PACKAGING_DIR}/man/${page} ${text} @ONLY)
  if(CORVANE_GZIP)
    add_custom_command(OUTPUT ${text}.gz
      COMMAND ${CORVANE_GZIP} -9 -n -c ${text} > ${text}.gz
      DEPENDS ${text} VERBATIM)
    add_custom_target(corvane_manual_${page} ALL DEPENDS ${text}.gz)
    set(text ${text}.gz)
  endif()
  install(FILES ${text} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

corvane_install_link(corvane-cli)
corvane_install_manual(corvane-cli.1)
install(FILES ${CORVANE_PACKAGING_DIR}/completion/corvane-cli.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME corvane-cli)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/corvane)

if(TARGET corvane)
  corvane_install_link(corvane)
  corvane_install_manual(corvane.1)
  install(FILES ${CORVANE_PACKAGING_DIR}/corvane.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${CORVANE_PACKAGING_DIR}/corvane-mime.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME corvane.xml)
  install(DIRECTORY ${CORVANE_PACKAGING_DIR}/icons/hicolor
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
endif()
