# The manual pages of the command line, quillet(1) and quillet-serve(1), made
# by packaging/make-manual.sh from the built program's own --help (help2man,
# which scripts/setup.sh installs), and installed with the command line.
if(NOT TARGET quillet_cli)
  return()
endif()
find_program(QUILLET_HELP2MAN help2man)
if(NOT QUILLET_HELP2MAN)
  message(WARNING "help2man is missing (scripts/setup.sh installs it): no manual pages, and the Debian "
                  "package quillet lacks them")
  return()
endif()
set(QUILLET_MANUAL_DIR ${PROJECT_BINARY_DIR}/packaging/man)
set(quillet_pages ${QUILLET_MANUAL_DIR}/quillet.1.gz ${QUILLET_MANUAL_DIR}/quillet-serve.1.gz)
add_custom_command(OUTPUT ${quillet_pages}
                   COMMAND ${PROJECT_SOURCE_DIR}/packaging/make-manual.sh $<TARGET_FILE:quillet_cli> ${QUILLET_MANUAL_DIR}
                   DEPENDS quillet_cli ${PROJECT_SOURCE_DIR}/packaging/make-manual.sh
                           ${PROJECT_SOURCE_DIR}/packaging/quillet.h2m ${PROJECT_SOURCE_DIR}/packaging/quillet-serve.h2m
                   COMMENT "Writing the manual pages from quillet --help" VERBATIM)
add_custom_target(quillet_manual ALL DEPENDS ${quillet_pages})
install(FILES ${quillet_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT program)
