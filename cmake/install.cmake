# Install layout (GNU folders) and the Debian package.
include(GNUInstallDirs)

set(BRINEWICK_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)

# The program finds its installed samples at ../share/brinewick/Data/ from its own folder.
file(RELATIVE_PATH BRINEWICK_DATA_FROM_BIN
  ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/brinewick/Data)
if(NOT BRINEWICK_DATA_FROM_BIN STREQUAL "../share/brinewick/Data")
  message(WARNING "Installed samples land at ${BRINEWICK_DATA_FROM_BIN} relative to the "
    "executable; Brinewick looks for them at ../share/brinewick/Data")
endif()

install(TARGETS brinewick RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${BRINEWICK_PACKAGING_DIR}/brinewick.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${BRINEWICK_PACKAGING_DIR}/brinewick.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)
install(FILES ${BRINEWICK_PACKAGING_DIR}/brinewick.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/data/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/brinewick/Data)

if(TARGET brinewick-export)
  install(TARGETS brinewick-export RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The command hands a plot or a report over to this program; it finds it from its own folder.
  install(TARGETS brinewick-export-draw RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/brinewick)

  # Man page from the built command's own --help and --version, so the two never drift apart.
  find_program(HELP2MAN_EXECUTABLE help2man)
  find_program(GZIP_EXECUTABLE gzip)
  if(HELP2MAN_EXECUTABLE)
    set(man_page ${CMAKE_BINARY_DIR}/brinewick-export.1)
    set(man_commands
      COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
        ${HELP2MAN_EXECUTABLE} --no-info --no-discard-stderr --section=1
        "--name=recompute a pH probe log and export its table or plot"
        --output=${man_page} $<TARGET_FILE:brinewick-export>)
    if(GZIP_EXECUTABLE)
      # -n keeps the archive free of a time stamp, so rebuilt packages are identical.
      list(APPEND man_commands COMMAND ${GZIP_EXECUTABLE} -9nf ${man_page})
      set(man_page ${man_page}.gz)
    endif()
    add_custom_command(OUTPUT ${man_page} ${man_commands}
      DEPENDS brinewick-export
      COMMENT "Writing the brinewick-export man page")
    add_custom_target(brinewick-export-man ALL DEPENDS ${man_page})
    install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  else()
    message(STATUS "help2man not found: brinewick-export is installed without a man page")
  endif()
endif()

# Debian package: cpack -G DEB in the build folder.
set(CPACK_PACKAGE_NAME brinewick)
set(CPACK_PACKAGE_VENDOR "Brinewick developers")
set(CPACK_PACKAGE_CONTACT "Brinewick developers <brinewick@example.org>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "workbench for two-channel pH probe logs")
set(CPACK_PACKAGE_DESCRIPTION
  "Brinewick reads the log files of a two-channel pH probe instrument, recomputes the pH of
both probes from the raw signals with editable calibration values, and shows the result
as a table, a readout of the current record and a time plot. It never writes to the
log files. The package also holds brinewick-export, the same reading and computing as a
batch command, and a few sample logs.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/brinewick")

# The platform plugin is loaded at run time, so no linker-level scan can find it.
set(brinewick_plugin_depends "qt6-qpa-plugins")
find_program(DPKG_SHLIBDEPS_EXECUTABLE dpkg-shlibdeps)
if(DPKG_SHLIBDEPS_EXECUTABLE)
  set(shlibdeps_default ON)
else()
  set(shlibdeps_default OFF)
endif()
option(BRINEWICK_DEB_SHLIBDEPS "Compute the package's library dependencies with dpkg-shlibdeps"
  ${shlibdeps_default})
if(BRINEWICK_DEB_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS ${brinewick_plugin_depends})
else()
  # Without dpkg-dev: what dpkg-shlibdeps finds on Debian 12 for both programs. Print support
  # comes through libqcustomplot2.1-qt6, which depends on it.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6 (>= 2.34), libgcc-s1 (>= 3.0), libstdc++6 (>= 11), libqt6core6 (>= 6.4.0), libqt6gui6 (>= 6.1.2), libqt6widgets6 (>= 6.3.0), libqcustomplot2.1-qt6 (>= 2.1.0), ${brinewick_plugin_depends}")
  if(TARGET Qt6::Svg)
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libqt6svg6 (>= 6.2.0)")
  endif()
endif()
set(CPACK_GENERATOR DEB)
include(CPack)

if(BRINEWICK_TESTS)
  add_test(NAME install_layout
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/install/check_install.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(install_layout PROPERTIES TIMEOUT 120)
endif()
