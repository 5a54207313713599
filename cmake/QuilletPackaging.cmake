# The install tree beyond the targets' own rules, and the Debian package.
#
#   include/quillet/quillet.h
#   LIBDIR/libquillet.so.1 (with its links; LIBDIR is lib/<triplet> on Debian)
#   LIBDIR/quillet/      the stand-ins, their companions and quillet.dot, the
#                        library's private folder, where it looks for them
#   LIBDIR/cmake/quillet/   find_package(quillet) -> quillet::quillet
#   LIBDIR/pkgconfig/quillet.pc
#   bin/quillet
#
# Each file belongs to one component, which is one Debian package:
# library (libquillet1), development (libquillet-dev), program (quillet) and
# python (python3-quillet).
if(WIN32)
  return()
endif()

# The header's version is the release: the two must not drift apart.
file(STRINGS ${PROJECT_SOURCE_DIR}/include/quillet/quillet.h quillet_header_version
     REGEX "^#define QUILLET_VERSION \"[^\"]*\"")
string(REGEX REPLACE ".*\"([^\"]*)\".*" "\\1" quillet_header_version "${quillet_header_version}")
if(NOT quillet_header_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "include/quillet/quillet.h says QUILLET_VERSION \"${quillet_header_version}\", "
                      "the project is ${PROJECT_VERSION}")
endif()

install(FILES ${PROJECT_SOURCE_DIR}/include/quillet/quillet.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/quillet
        COMPONENT development)

include(CMakePackageConfigHelpers)
set(quillet_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/quillet)
install(EXPORT quilletTargets NAMESPACE quillet:: DESTINATION ${quillet_cmake_dir} COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/quilletConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/packaging/quilletConfig.cmake INSTALL_DESTINATION ${quillet_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/packaging/quilletConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/packaging/quilletConfig.cmake
              ${PROJECT_BINARY_DIR}/packaging/quilletConfigVersion.cmake
        DESTINATION ${quillet_cmake_dir} COMPONENT development)

# The pkg-config file names its prefix relative to its own folder, so that the
# tree works wherever it is installed (cmake --install --prefix, DESTDIR).
file(RELATIVE_PATH QUILLET_PC_PREFIX_FROM_PCDIR /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
configure_file(${PROJECT_SOURCE_DIR}/cmake/quillet.pc.in ${PROJECT_BINARY_DIR}/packaging/quillet.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/quillet.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT development)

# Installed under /usr (the Debian package), the library is in the system's
# search path: the command line carries no search path there. The office
# stand-ins need LibreOffice's program folder (its UNO libraries find theirs
# beside them only when loaded from there), which they name relative to their
# own folder, so that Debian takes it for no custom search path.
if(TARGET quillet_cli)
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      file(RPATH_REMOVE FILE \"\$ENV{DESTDIR}/usr/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:quillet_cli>\")
    endif()" COMPONENT program)
endif()
if(TARGET quillet_office)
  get_target_property(lo_rpath quillet_office INSTALL_RPATH)
  file(RELATIVE_PATH lo_from_libdir /usr/${QUILLET_INSTALL_PRIVATEDIR} ${QUILLET_LIBREOFFICE_PROGRAM})
  # (The installed file names both, since a search path is rewritten in place
  # and the new one must not be longer.)
  set_target_properties(quillet_office PROPERTIES INSTALL_RPATH "${lo_rpath}:$ORIGIN/${lo_from_libdir}")
  install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
      file(RPATH_SET FILE \"\$ENV{DESTDIR}/usr/${QUILLET_INSTALL_PRIVATEDIR}/$<TARGET_FILE_NAME:quillet_office>\"
           NEW_RPATH \"\$ORIGIN/${lo_from_libdir}\")
    endif()" COMPONENT library)
endif()

# The Python package: a wheel written by the standard library (no build
# backend, no network), python/quillet-<version>-py3-none-any.whl in the build
# tree (QUILLET_WHEEL), and the package itself for Debian's python3-quillet.
find_program(QUILLET_PYTHON3 python3 REQUIRED)
file(GLOB quillet_python_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/python/quillet/*.py
     ${PROJECT_SOURCE_DIR}/python/quillet/py.typed ${PROJECT_SOURCE_DIR}/python/quillet/formats.json)
add_custom_command(OUTPUT ${QUILLET_WHEEL}
                   COMMAND ${QUILLET_PYTHON3} ${PROJECT_SOURCE_DIR}/python/make_wheel.py ${PROJECT_BINARY_DIR}/python
                   DEPENDS ${PROJECT_SOURCE_DIR}/python/make_wheel.py ${PROJECT_SOURCE_DIR}/python/README.md
                           ${quillet_python_sources}
                   COMMENT "Writing the wheel of the Python package" VERBATIM)
add_custom_target(quillet_wheel ALL DEPENDS ${QUILLET_WHEEL})
# The package's version is the release too.
file(STRINGS ${PROJECT_SOURCE_DIR}/python/quillet/_version.py quillet_python_version REGEX "^__version__ = ")
if(NOT quillet_python_version STREQUAL "__version__ = \"${PROJECT_VERSION}\"")
  message(FATAL_ERROR "python/quillet/_version.py says ${quillet_python_version}, the project is ${PROJECT_VERSION}")
endif()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/python/quillet DESTINATION lib/python3/dist-packages COMPONENT python
        FILES_MATCHING PATTERN "*.py" PATTERN "py.typed" PATTERN "formats.json" PATTERN "__pycache__" EXCLUDE)

include(${PROJECT_SOURCE_DIR}/packaging/ManualPages.cmake)
include(${PROJECT_SOURCE_DIR}/packaging/DebianPackage.cmake)
