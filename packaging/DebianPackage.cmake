# The Debian package "quillet", made by CPack's DEB generator from the built
# tree (packaging/make-deb.sh): the install tree under /usr, its shared-library
# dependencies computed by dpkg-shlibdeps, LibreOffice's applications added.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(QUILLET_DEB_MAINTAINER "quillet developers <quillet@example.org>" CACHE STRING
    "The Maintainer of the Debian package")
set(CPACK_PACKAGE_CONTACT "${QUILLET_DEB_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "document conversion by driving LibreOffice")
set(CPACK_PACKAGE_DESCRIPTION
    "quillet converts documents (Word, Excel and PowerPoint files,\n"
    "OpenDocument, RTF, web pages) to PDF, text, web pages and the other\n"
    "formats of the office applications by driving LibreOffice, and reports\n"
    "per file what failed. The package holds the library libquillet.so.1\n"
    "with its C header, CMake package and pkg-config file, the LibreOffice\n"
    "stand-ins it loads, and the quillet command line with its manual pages.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(QUILLET_DEB_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libreoffice-core, libreoffice-writer, libreoffice-calc, libreoffice-impress")
# quillet serve runs each office in a bubblewrap sandbox when it is there; the
# metric-compatible families of the common Office fonts keep documents' line
# breaks and page counts (the offices fall back to other metrics without them).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "bubblewrap, fonts-crosextra-carlito, fonts-crosextra-caladea, fonts-liberation2")
# The libraries' cache is renewed by dpkg's trigger once per run.
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/triggers)
# The Debian files every package carries, beside the install tree's own: the
# copyright file and the changelog, compressed as Debian wants it.
set(QUILLET_DEB_DOCS ${PROJECT_BINARY_DIR}/packaging/deb-docs)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian.in ${QUILLET_DEB_DOCS}/changelog.Debian @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/copyright ${QUILLET_DEB_DOCS}/copyright COPYONLY)
set(CPACK_INSTALL_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/DebianDocs.cmake)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/packaging/CPackProject.cmake)
file(WRITE ${CPACK_PROJECT_CONFIG_FILE} "set(QUILLET_DEB_DOCS \"${QUILLET_DEB_DOCS}\")\n")
include(CPack)
