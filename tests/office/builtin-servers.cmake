# Asks libquillet.so for its source-format list with no server registry
# file: Word is then the stand-in shipped beside the library, whose file
# converters bring in the Writer import formats (*.docx among them).
# With BUILD_DIR and PREFIX, the build is installed into PREFIX first and the
# installed library is asked.
if(BUILD_DIR)
  file(REMOVE_RECURSE ${PREFIX})
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "installing failed: ${rc}")
  endif()
  set(LIBRARY ${PREFIX}/lib/libquillet.so)
endif()
string(RANDOM LENGTH 8 tag)
set(ENV{QUILLET_AUTOMATION_REGISTRY} /nonexistent/quillet-automation-servers)
set(ENV{QUILLET_OFFICE_PIPE} quillet-probe-${tag})
execute_process(COMMAND ${PROBE} ${LIBRARY} sourceformatlist RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(BUILD_DIR)
  file(REMOVE_RECURSE ${PREFIX})
endif()
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the field failed (${rc}): ${out} ${err}")
endif()
string(FIND "${out}" ":100:*.docx:MS Word" docx)
if(docx EQUAL -1)
  message(FATAL_ERROR "no .docx row in the source format list:\n${out}")
endif()
message(STATUS "source formats from the stand-in:\n${out}")
