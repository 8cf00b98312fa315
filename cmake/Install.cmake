# Installing vellory like any other program, and packaging it.
#   cmake --install build [--prefix DIR]   bin/vellory, desktop entry, icons, manual page,
#                                          the GNOME Shell extension
#   cd build && cpack -G DEB               vellory_<version>_<arch>.deb
# The icons in packaging/icons are drawn by tools/DrawArtwork.cpp and committed.

if(WIN32)
  # The version resource, from the project's version.
  configure_file(${CMAKE_SOURCE_DIR}/platform/win32/VersionInfo.rc.in
                 ${CMAKE_BINARY_DIR}/generated/VersionInfo.rc @ONLY)
  target_sources(vellory PRIVATE ${CMAKE_BINARY_DIR}/generated/VersionInfo.rc)
  if(VELLORY_TESTS)
    add_test(NAME install.version COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/version-test.sh
                                          $<TARGET_FILE:vellory> ${PROJECT_VERSION})
    set_tests_properties(install.version PROPERTIES LABELS install SKIP_RETURN_CODE 77)
  endif()
  return()
endif()

if(TARGET draw_artwork)
  find_package(ZLIB)
  if(ZLIB_FOUND)
    target_link_libraries(draw_artwork PRIVATE ZLIB::ZLIB)
  endif()
endif()

include(GNUInstallDirs)
set(PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)

# The manual page and the changelog, compressed as Debian wants them: gzip -9, no name
# or time stamp in the header, so that the same sources give the same bytes.
configure_file(${PACKAGING_DIR}/vellory.6.in ${PACKAGING_OUT}/vellory.6 @ONLY)
configure_file(${PACKAGING_DIR}/changelog ${PACKAGING_OUT}/changelog COPYONLY)
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${PACKAGING_OUT}/vellory.6.gz ${PACKAGING_OUT}/changelog.gz
                   COMMAND ${GZIP_PROGRAM} -9nkf vellory.6 changelog
                   WORKING_DIRECTORY ${PACKAGING_OUT}
                   DEPENDS ${PACKAGING_OUT}/vellory.6 ${PACKAGING_OUT}/changelog)
add_custom_target(packaging_docs ALL DEPENDS ${PACKAGING_OUT}/vellory.6.gz
                                             ${PACKAGING_OUT}/changelog.gz)

install(TARGETS vellory RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PACKAGING_DIR}/vellory.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48 64 128 256)
  install(FILES ${PACKAGING_DIR}/icons/vellory-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME vellory.png)
endforeach()
install(FILES ${PACKAGING_OUT}/vellory.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
# The GNOME Shell extension that tells the kitten where the pointer is under Wayland, in
# its two variants, made from one source (packaging/gnome-shell/make-extensions.sh); the
# shell loads the one whose metadata names its version.
set(EXTENSION_UUIDS eyes-relay@vellory eyes-relay-legacy@vellory)
set(EXTENSION_SOURCES ${PACKAGING_DIR}/gnome-shell/make-extensions.sh
                      ${PACKAGING_DIR}/gnome-shell/pointer-relay.js)
set(EXTENSION_OUTPUTS)
foreach(uuid ${EXTENSION_UUIDS})
  list(APPEND EXTENSION_SOURCES ${PACKAGING_DIR}/gnome-shell/${uuid}/frame.js
                                ${PACKAGING_DIR}/gnome-shell/${uuid}/metadata.json)
  list(APPEND EXTENSION_OUTPUTS ${PACKAGING_OUT}/gnome-shell/${uuid}/extension.js
                                ${PACKAGING_OUT}/gnome-shell/${uuid}/metadata.json)
endforeach()
add_custom_command(OUTPUT ${EXTENSION_OUTPUTS}
                   COMMAND bash ${PACKAGING_DIR}/gnome-shell/make-extensions.sh
                           ${PACKAGING_OUT}/gnome-shell
                   DEPENDS ${EXTENSION_SOURCES})
add_custom_target(gnome_extensions ALL DEPENDS ${EXTENSION_OUTPUTS})
foreach(uuid ${EXTENSION_UUIDS})
  install(FILES ${PACKAGING_OUT}/gnome-shell/${uuid}/metadata.json
                ${PACKAGING_OUT}/gnome-shell/${uuid}/extension.js
          DESTINATION ${CMAKE_INSTALL_DATADIR}/gnome-shell/extensions/${uuid})
endforeach()
install(FILES ${PACKAGING_DIR}/copyright ${PACKAGING_OUT}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package.
set(VELLORY_MAINTAINER "vellory developers <dev@vellory.invalid>"
    CACHE STRING "The Debian package's maintainer")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vellory)
set(CPACK_PACKAGE_CONTACT ${VELLORY_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "kitten whose eyes follow the mouse pointer")
# NOTE: CMake reads a semicolon as a list separator: the text has none.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "A kitten's face, cut to its outline, floats above every ordinary window of\n"
       "an X11 or Wayland desktop, and its eyes follow the mouse pointer anywhere on\n"
       "the screen.\n"
       "Drag it with the left mouse button. Double-click it to send it away: it comes\n"
       "back where it was at the next start.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# NOTE: not "games", whose programs Debian keeps in /usr/games: a desktop toy beside xeyes.
set(CPACK_DEBIAN_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# NOTE: libdbus-1 and libwayland-client are loaded at run time, in Wayland sessions only,
# where dpkg-shlibdeps cannot see them; without them the program runs all the same, and
# says so: without libdbus-1 the eyes follow only over X11 windows, without
# libwayland-client the kitten is an X11 window on Xwayland. On X11 neither is of use.
# 1.20: the protocols' requests call wl_proxy_marshal_flags.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libdbus-1-3, libwayland-client0 (>= 1.20.0)")
include(CPack)

# The installed program and the package, checked as a user and Debian's tools see them
# (a sanitizer build is never installed).
if(VELLORY_TESTS AND NOT VELLORY_SANITIZE)
  add_test(NAME install.files
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/install-test.sh ${CMAKE_BINARY_DIR})
  add_test(NAME install.deb
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/deb-test.sh ${CMAKE_BINARY_DIR}
                   ${PROJECT_VERSION})
  add_test(NAME install.gnome
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/gnome-extension-test.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(install.files install.deb install.gnome PROPERTIES LABELS install
                       SKIP_RETURN_CODE 77 TIMEOUT 300 RESOURCE_LOCK install_manifest)
  # The package installed with apt and run in a Debian 13 root file system (tests/rootfs),
  # built on first use (minutes, from the mirror) and cached in /var/cache/vellory.
  add_test(NAME install.debian13
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/deb13-test.sh ${CMAKE_BINARY_DIR}
                   $<TARGET_FILE:kitten_probe>)
  set_tests_properties(install.debian13 PROPERTIES LABELS install SKIP_RETURN_CODE 77
                       TIMEOUT 900 RESOURCE_LOCK install_manifest)
endif()
