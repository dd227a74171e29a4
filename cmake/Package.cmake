# The Debian package, built with CPack from the install rules: `./dev package` (preset "package").
# Its version is the project's; the office parts are recommended rather than required, since each
# document type needs only its own application.
include(GNUInstallDirs)

# The manual page, the package's changelog and the metainfo carry the project's version; the first
# two go in compressed.
configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/changelog @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/vorrindel.1.in ${CMAKE_CURRENT_BINARY_DIR}/vorrindel.1 @ONLY)
set(VORRINDEL_METAINFO ${CMAKE_CURRENT_BINARY_DIR}/io.github.vorrindel.Vorrindel.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/packaging/io.github.vorrindel.Vorrindel.metainfo.xml.in ${VORRINDEL_METAINFO} @ONLY)
set(_gzipped "")
foreach(source vorrindel.1 changelog)
  set(output ${source}.gz)
  set(source ${CMAKE_CURRENT_BINARY_DIR}/${source})
  # -n: no name or time stamp inside, so that the same sources give the same package.
  add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/${output}
                     COMMAND sh -c "gzip -9nc \"$0\" > \"$1\"" ${source} ${CMAKE_CURRENT_BINARY_DIR}/${output}
                     DEPENDS ${source} VERBATIM)
  list(APPEND _gzipped ${CMAKE_CURRENT_BINARY_DIR}/${output})
endforeach()
add_custom_target(package_documents ALL DEPENDS ${_gzipped})

install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vorrindel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${VORRINDEL_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vorrindel)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME vorrindel)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorrindel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vorrindel developers <developers@vorrindel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "office file picker that opens each file with one click")
set(CPACK_PACKAGE_DESCRIPTION "\
Pick a document type, browse to a drive and folder, and click a file:
Vorrindel opens it in LibreOffice (Calc, Writer, Impress or, read-only,
Base for Access databases), closes the file it opened there last, shows
the office window maximised and brings its own window back to the front.
.
Each document type needs only its own office application; Access
databases also need odbc-mdbtools.")
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # vorrindel_<version>_amd64.deb
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds the UNO libraries through the program's run path.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "libreoffice-calc, libreoffice-writer, libreoffice-impress, libreoffice-base, odbc-mdbtools")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
