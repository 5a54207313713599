# The Debian packages, made by CPack's DEB generator from the built tree
# (packaging/make-deb.sh), one per install component, as Debian splits a
# library:
#
#   libquillet1      the library in the multiarch folder, its private files in
#                    LIBDIR/quillet/ (component library)
#   libquillet-dev   the header, the libquillet.so link, the CMake package and
#                    quillet.pc (component development)
#   quillet          the command line with its manual pages, and the service
#                    unit with /etc/default/quillet (component program)
#   python3-quillet  the Python package, which loads libquillet.so.1 by its
#                    soname (component python)
#
# Debian's own files (copyright, changelog, lintian overrides, the unit and
# its defaults) are written only when installing under /usr, as the packages
# do: another prefix gets the install tree alone.
set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL library development program python)
set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(QUILLET_DEB_MAINTAINER "quillet developers <quillet@example.org>" CACHE STRING
    "The Maintainer of the Debian package")
set(CPACK_PACKAGE_CONTACT "${QUILLET_DEB_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Release 2: the first, 2.0-1, was one package holding everything.
set(CPACK_DEBIAN_PACKAGE_RELEASE 2)
set(QUILLET_DEB_VERSION ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds libquillet.so.1, which the command line needs, in the
# build tree; the dependency on its package is written out below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${QUILLET_LIBRARY_OUTPUT_DIR})
set(quillet_about
    "quillet converts documents (Word, Excel and PowerPoint files,\n"
    " OpenDocument, RTF, web pages) to PDF, text, web pages and the other\n"
    " formats of the office applications by driving LibreOffice, and reports\n"
    " per file what failed.\n")
string(REPLACE ";" "" quillet_about "${quillet_about}")

# libquillet1: its shlibs file is written here (CPack would list the private
# libraries too, which have no version); the library cache is renewed by dpkg's
# ldconfig trigger.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME libquillet1)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_LIBRARY_DESCRIPTION
    "document conversion by driving LibreOffice (library)\n${quillet_about}\n"
    " This package holds the shared library libquillet.so.1 with the\n"
    " LibreOffice stand-ins it loads from its private folder.")
set(CPACK_DEBIAN_LIBRARY_PACKAGE_DEPENDS
    "libreoffice-core, libreoffice-writer, libreoffice-calc, libreoffice-impress")
# The metric-compatible families of the common Office fonts keep documents'
# line breaks and page counts; bubblewrap walls in the offices of quillet serve.
set(CPACK_DEBIAN_LIBRARY_PACKAGE_RECOMMENDS "fonts-crosextra-carlito, fonts-crosextra-caladea, fonts-liberation2")
set(QUILLET_DEB_CONTROL ${PROJECT_BINARY_DIR}/packaging/control)
file(WRITE ${QUILLET_DEB_CONTROL}/library/shlibs "libquillet 1 libquillet1 (>= ${PROJECT_VERSION})\n")
file(COPY ${PROJECT_SOURCE_DIR}/packaging/triggers DESTINATION ${QUILLET_DEB_CONTROL}/library)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
    "${QUILLET_DEB_CONTROL}/library/shlibs;${QUILLET_DEB_CONTROL}/library/triggers")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libquillet-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEVELOPMENT_DESCRIPTION
    "document conversion by driving LibreOffice (development files)\n${quillet_about}\n"
    " This package holds the C header, the CMake package (find_package(quillet)\n"
    " gives quillet::quillet) and the pkg-config file quillet.pc.")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "libquillet1 (= ${QUILLET_DEB_VERSION})")
# The header was the single package quillet's until 2.0-1.
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_BREAKS "quillet (<< 2.0-2)")
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_REPLACES "quillet (<< 2.0-2)")

set(CPACK_DEBIAN_PROGRAM_PACKAGE_NAME quillet)
set(CPACK_DEBIAN_PROGRAM_PACKAGE_SECTION text)
set(CPACK_COMPONENT_PROGRAM_DESCRIPTION
    "document conversion by driving LibreOffice (command line and service)\n${quillet_about}\n"
    " This package holds the command line quillet, which converts files and\n"
    " folders and serves conversions over HTTP (quillet serve), and the\n"
    " service unit quillet.service, installed but not enabled.")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_DEPENDS "libquillet1 (= ${QUILLET_DEB_VERSION})")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_RECOMMENDS "bubblewrap")
file(WRITE ${QUILLET_DEB_CONTROL}/program/conffiles "/etc/default/quillet\n")
set(CPACK_DEBIAN_PROGRAM_PACKAGE_CONTROL_EXTRA "${QUILLET_DEB_CONTROL}/program/conffiles")

set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-quillet)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_ARCHITECTURE all)
set(CPACK_COMPONENT_PYTHON_DESCRIPTION
    "document conversion by driving LibreOffice (Python 3)\n${quillet_about}\n"
    " This package holds the Python package quillet, a typed layer over the\n"
    " library's C interface loaded through ctypes.")
set(CPACK_DEBIAN_PYTHON_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3:any (>= 3.9), libquillet1 (>= ${QUILLET_DEB_VERSION})")

# Each package's copyright file and changelog (compressed without a time
# stamp, gzip -9n), and the lintian overrides that say why each stays.
set(QUILLET_DEB_DOCS ${PROJECT_BINARY_DIR}/packaging/deb-docs)
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.Debian.in ${QUILLET_DEB_DOCS}/changelog.Debian @ONLY)
execute_process(COMMAND gzip -9nc ${QUILLET_DEB_DOCS}/changelog.Debian
                OUTPUT_FILE ${QUILLET_DEB_DOCS}/changelog.Debian.gz COMMAND_ERROR_IS_FATAL ANY)

# Installs Source as the absolute path Target when the prefix is /usr (file(INSTALL)
# puts it under DESTDIR itself).
function(quillet_debian_file component source target)
  get_filename_component(folder ${target} DIRECTORY)
  get_filename_component(name ${target} NAME)
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      file(INSTALL \"${source}\" DESTINATION \"${folder}\" RENAME \"${name}\"
           PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endif()" COMPONENT ${component})
endfunction()

foreach(component library development program python)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  quillet_debian_file(${component} ${PROJECT_SOURCE_DIR}/packaging/copyright /usr/share/doc/${package}/copyright)
  quillet_debian_file(${component} ${QUILLET_DEB_DOCS}/changelog.Debian.gz
                      /usr/share/doc/${package}/changelog.Debian.gz)
  if(EXISTS ${PROJECT_SOURCE_DIR}/packaging/lintian/${package})
    quillet_debian_file(${component} ${PROJECT_SOURCE_DIR}/packaging/lintian/${package}
                        /usr/share/lintian/overrides/${package})
  endif()
endforeach()

# The service: Debian 12's systemd reads the packages' units from /lib.
quillet_debian_file(program ${PROJECT_SOURCE_DIR}/packaging/quillet.service /lib/systemd/system/quillet.service)
quillet_debian_file(program ${PROJECT_SOURCE_DIR}/packaging/quillet.default /etc/default/quillet)

include(CPack)
