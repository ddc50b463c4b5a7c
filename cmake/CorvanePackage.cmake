# "make package" (cpack): a Debian package of what the install rules put in place, its
# dependencies found from the built programs by dpkg-shlibdeps (package dpkg-dev). The
# desktop's caches (file types, menu, icons) are refreshed by the triggers of the packages
# that own them, so the package needs no scripts of its own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR Corvane)
set(CPACK_PACKAGE_CONTACT "Corvane <corvane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for the button bars of Total Commander")
set(CPACK_PACKAGE_DESCRIPTION
  "Corvane edits the button bars (.bar files) of Total Commander, the two-panel file\n"
  "manager, as it runs under Wine: buttons are added, moved, copied and pasted, their\n"
  "commands, icons and tooltips edited, Total Commander's commands picked from a\n"
  "browser, and the bar saved with an icon cache. corvane-cli does the same from the\n"
  "command line and from scripts.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# librsvg is loaded on the first SVG drawing, not linked, so dpkg-shlibdeps cannot see it:
# it is named here (2.46 brought rsvg_handle_render_document), the ones found added to it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "librsvg2-2 (>= 2.46)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS wine)
include(CPack)
