# The Debian package: `cmake --build build --target package` writes orvena_<version>_<arch>.deb
# with /usr/bin/orvena, the man page orvena(1) made from --help, the systemd units naming a home
# folder, and the demo home under /usr/share/doc/orvena/examples. Dependencies come from the
# shared libraries the program links (dpkg-shlibdeps).
include(GNUInstallDirs)

install(TARGETS orvena RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES deploy/systemd/orvena@.service deploy/systemd/orvena@.timer DESTINATION lib/systemd/system)
install(DIRECTORY examples/demo DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)

set(package_dir ${CMAKE_CURRENT_BINARY_DIR}/package)
find_program(ORVENA_HELP2MAN help2man)
if(ORVENA_HELP2MAN)
  add_custom_command(
    OUTPUT ${package_dir}/orvena.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${package_dir}
    COMMAND ${ORVENA_HELP2MAN} --no-info --no-discard-stderr --name "unattended report server"
            --output ${package_dir}/orvena.1 $<TARGET_FILE:orvena>
    COMMAND gzip -9nf ${package_dir}/orvena.1
    DEPENDS orvena
    VERBATIM)
  add_custom_target(orvena_man ALL DEPENDS ${package_dir}/orvena.1.gz)
  install(FILES ${package_dir}/orvena.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found: the package has no man page")
endif()

# Debian wants a copyright file and a changelog in the package's documentation folder.
file(WRITE ${package_dir}/copyright
     "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
     "Upstream-Name: orvena\n\nFiles: *\nCopyright: 2026 Zentrivo\nLicense: proprietary\n"
     " All rights reserved.\n")
string(TIMESTAMP changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
file(WRITE ${package_dir}/changelog
     "orvena (${PROJECT_VERSION}) stable; urgency=medium\n\n  * Release ${PROJECT_VERSION}.\n\n"
     " -- Orvena <orvena@zentrivo.example>  ${changelog_date}\n")
add_custom_command(
  OUTPUT ${package_dir}/changelog.gz
  COMMAND gzip -9nkf ${package_dir}/changelog
  DEPENDS ${package_dir}/changelog)
add_custom_target(orvena_changelog ALL DEPENDS ${package_dir}/changelog.gz)
install(FILES ${package_dir}/copyright ${package_dir}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvena)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_CONTACT "Orvena <orvena@zentrivo.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "unattended report server")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
       "Runs every report definition of a home folder once: queries the database,\n"
       "fills report templates, exports them (PDF, XLSX, DOCX, HTML, TIFF, CSV) and\n"
       "delivers them by e-mail and FTP, with a daily run log. systemd units run a\n"
       "home folder daily.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
