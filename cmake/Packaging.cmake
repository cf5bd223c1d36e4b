# Installation and the Debian package. Included once from the top-level
# CMakeLists.txt after every folder has been added, so the targets exist.
include(GNUInstallDirs)

foreach(program velotrack velotrack-panel velotrack-board)
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT panel)
  endif()
endforeach()

# Gives the user at the machine (uaccess) access to accepted boards only.
if(EXISTS ${velotrack_SOURCE_DIR}/udev/70-velotrack.rules)
  install(FILES ${velotrack_SOURCE_DIR}/udev/70-velotrack.rules
          DESTINATION lib/udev/rules.d COMPONENT panel)
endif()

if(TARGET velotrack-panel)
  install(FILES ${velotrack_SOURCE_DIR}/desktop/velotrack-panel.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT panel)
  install(FILES ${velotrack_SOURCE_DIR}/desktop/velotrack-panel.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps COMPONENT panel)
  if(EXISTS ${velotrack_SOURCE_DIR}/desktop/velotrack-panel.png)
    install(FILES ${velotrack_SOURCE_DIR}/desktop/velotrack-panel.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/64x64/apps COMPONENT panel)
  endif()
endif()

# The package's copyright and changelog, where Debian keeps them. A package
# version without a Debian revision is a native package: its changelog is
# changelog.gz.
if(NOT WIN32)
  set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/velotrack-panel)
  install(FILES ${velotrack_SOURCE_DIR}/packaging/debian/copyright DESTINATION ${doc_dir} COMPONENT panel)
  set(changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
  add_custom_command(OUTPUT ${changelog_gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
    COMMAND gzip -9nc ${velotrack_SOURCE_DIR}/packaging/debian/changelog > ${changelog_gz}
    DEPENDS ${velotrack_SOURCE_DIR}/packaging/debian/changelog
    COMMENT "Compressing the package changelog")
  add_custom_target(package_changelog ALL DEPENDS ${changelog_gz})
  install(FILES ${changelog_gz} DESTINATION ${doc_dir} COMPONENT panel)
  # The user guide with the pages and pictures it links to, for reading
  # without a network (Help > User guide can open it from here).
  install(FILES ${velotrack_SOURCE_DIR}/docs/user-guide.md ${velotrack_SOURCE_DIR}/docs/cli.md
                ${velotrack_SOURCE_DIR}/docs/windows.md
          DESTINATION ${doc_dir} COMPONENT panel)
  file(STRINGS ${velotrack_SOURCE_DIR}/docs/user-guide.md guide_pictures REGEX "screenshots/[a-z0-9-]+\\.png")
  string(REGEX MATCHALL "screenshots/[a-z0-9-]+\\.png" guide_pictures "${guide_pictures}")
  list(REMOVE_DUPLICATES guide_pictures)
  list(TRANSFORM guide_pictures PREPEND ${velotrack_SOURCE_DIR}/docs/)
  install(FILES ${guide_pictures} DESTINATION ${doc_dir}/screenshots COMPONENT panel)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${velotrack_SOURCE_DIR}/docs/user-guide.md)
endif()

set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "velotrack-panel")
if(velotrack_VERSION)
  set(CPACK_PACKAGE_VERSION "${velotrack_VERSION}")
endif()
set(CPACK_PACKAGE_VENDOR "Velotrack")
set(CPACK_PACKAGE_CONTACT "Velotrack maintainers <maintainers@velotrack.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Configuration panel for the Velotrack camera and servo controller")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Reads, edits and writes the seven settings profiles of a Velotrack board,\n updates its firmware and tests its servos. Includes the velotrack command\n line, the velotrack-board virtual board and the Qt desktop panel.")
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Library dependencies (Qt 6, libudev, libusb) are worked out from the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its window-system plugins at run time; without them the panel
# cannot open a window on X11 or Wayland.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
set(CPACK_STRIP_FILES ON)
# Control files with the permissions dpkg and lintian expect.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
