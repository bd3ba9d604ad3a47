# Installation and the Debian package. `cmake --install` puts the application, the local market it
# runs with --demo, the menu entry, the icon, the AppStream data and an autostart entry the user can
# enable where a Linux desktop looks for them; `cpack -G DEB` packs the same tree into a .deb whose
# dependencies dpkg-shlibdeps derives from the binaries, plus the libraries Qt loads at run time.
# Included after every target is defined.
include(GNUInstallDirs)

set(VIREL_APP_ID app.virel.Virel)
set(VIREL_PACKAGE_CONTACT "Virel <support@virel.app>" CACHE STRING "Maintainer of the Debian package")
# Where the screenshots of docs/screenshots are published, for the AppStream data.
set(VIREL_SCREENSHOT_URL "${VIREL_SERVICE_ORIGIN}/screenshots" CACHE STRING "Base URL of the screenshots")

set(virel_packaging ${PROJECT_SOURCE_DIR}/packaging)
set(virel_generated ${PROJECT_BINARY_DIR}/packaging)

if(NOT TARGET virel)
  return() # a build without the desktop application installs nothing
endif()

install(TARGETS virel RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The application looks for its private files relative to itself: bin/../lib/virel.
foreach(helper virel-fake-server virel-web)
  if(TARGET ${helper})
    install(TARGETS ${helper} RUNTIME DESTINATION lib/virel)
  endif()
endforeach()

install(FILES ${virel_packaging}/${VIREL_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${virel_packaging}/${VIREL_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# AppStream: the screenshots of docs/screenshots a software centre shows, the first one the default.
set(virel_screenshots
    "glance-screen.png|Every symbol at a glance, below the strip at the top of the screen"
    "ticker-bar-screen.png|The strip at the top centre and the ticker bar below the menu bar"
    "detail.png|One symbol in detail: corporate events, news and the Virel pages"
    "timeline.png|The event timeline of the whole list"
    "edit.png|Editing the watchlist with symbol search"
    "status-menu.png|The status menu")
set(VIREL_METAINFO_SCREENSHOTS "")
set(virel_shot_type " type=\"default\"")
foreach(virel_shot ${virel_screenshots})
  string(REPLACE "|" ";" virel_shot "${virel_shot}")
  list(GET virel_shot 0 virel_shot_name)
  list(GET virel_shot 1 virel_shot_caption)
  if(EXISTS ${PROJECT_SOURCE_DIR}/docs/screenshots/${virel_shot_name})
    string(APPEND VIREL_METAINFO_SCREENSHOTS
           "    <screenshot${virel_shot_type}>\n"
           "      <caption>${virel_shot_caption}</caption>\n"
           "      <image>${VIREL_SCREENSHOT_URL}/${virel_shot_name}</image>\n"
           "    </screenshot>\n")
    set(virel_shot_type "")
  endif()
endforeach()
if(VIREL_METAINFO_SCREENSHOTS)
  set(VIREL_METAINFO_SCREENSHOTS "  <screenshots>\n${VIREL_METAINFO_SCREENSHOTS}  </screenshots>")
endif()
# Honours SOURCE_DATE_EPOCH, so a rebuild of the same source gives the same file.
string(TIMESTAMP VIREL_RELEASE_DATE "%Y-%m-%d" UTC)
configure_file(${virel_packaging}/${VIREL_APP_ID}.metainfo.xml.in
               ${virel_generated}/${VIREL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${virel_generated}/${VIREL_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Start at login: not enabled by the package; the user copies this entry to ~/.config/autostart.
install(FILES ${virel_packaging}/${VIREL_APP_ID}.autostart.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/virel/autostart RENAME ${VIREL_APP_ID}.desktop)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME virel)
set(CPACK_PACKAGE_VENDOR Virel)
set(CPACK_PACKAGE_CONTACT "${VIREL_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live stock prices at the top of the screen")
set(CPACK_PACKAGE_DESCRIPTION
    "Virel keeps a personal list of stocks, indices, currencies, commodities and
crypto in view: prices rotate or scroll in a black strip at the top centre of
the screen and in a one-line ticker bar, with price alerts, a focus timer, an
event timeline and optional watchlist sync with a Virel account.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VIREL_SERVICE_ORIGIN}")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# What the binaries link is found by dpkg-shlibdeps; these are loaded at run time instead:
# libsecret (the token store, through QtKeychain), libssl (Qt's TLS backend, for HTTPS),
# the CA certificates, and a font with Hangul for the Korean interface.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsecret-1-0, libssl3, ca-certificates, fonts-noto-cjk")
# Opening the browser (sign-in, web pages) goes through xdg-open outside GNOME and KDE; the token
# needs a Secret Service to outlive the session.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, gnome-keyring | kwalletmanager | keepassxc")
include(CPack)
