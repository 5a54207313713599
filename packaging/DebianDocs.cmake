# Run by CPack into the package's staging tree: the copyright file and the
# changelog every Debian package carries, the changelog compressed without a
# time stamp (gzip -9n).
set(doc "$ENV{DESTDIR}${CPACK_PACKAGING_INSTALL_PREFIX}/share/doc/quillet")
file(MAKE_DIRECTORY "${doc}")
file(COPY "${QUILLET_DEB_DOCS}/copyright" DESTINATION "${doc}"
     FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
execute_process(COMMAND gzip -9nc "${QUILLET_DEB_DOCS}/changelog.Debian"
                OUTPUT_FILE "${doc}/changelog.Debian.gz" COMMAND_ERROR_IS_FATAL ANY)
file(CHMOD "${doc}/changelog.Debian.gz" PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
