# Asks libquillet.so for its source-format list with no server registry
# file: Word is then the stand-in shipped beside the library, whose file
# converters bring in the Writer import formats (*.docx among them). Then
# converts without Word: a web page to text through the browser stand-in and
# a document to RTF through the libfmtbridge.so shipped beside the library.
# With BUILD_DIR, PREFIX and LIBDIR, the build is installed into PREFIX first
# and the installed library (in PREFIX/LIBDIR, its stand-ins in
# PREFIX/LIBDIR/quillet) is asked.
if(BUILD_DIR)
  file(REMOVE_RECURSE ${PREFIX})
  execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX} RESULT_VARIABLE rc OUTPUT_QUIET)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "installing failed: ${rc}")
  endif()
  set(LIBRARY ${PREFIX}/${LIBDIR}/libquillet.so)
endif()
string(RANDOM LENGTH 8 tag)
set(ENV{QUILLET_AUTOMATION_REGISTRY} /nonexistent/quillet-automation-servers)
set(ENV{QUILLET_OFFICE_PIPE} quillet-probe-${tag})
execute_process(COMMAND ${PROBE} ${LIBRARY} sourceformatlist RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the field failed (${rc}): ${out} ${err}")
endif()
string(FIND "${out}" ":100:*.docx:MS Word" docx)
if(docx EQUAL -1)
  message(FATAL_ERROR "no .docx row in the source format list:\n${out}")
endif()
message(STATUS "source formats from the stand-in:\n${out}")

set(work ${CMAKE_CURRENT_BINARY_DIR}/noword-probe-${tag})
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
file(WRITE ${work}/page.html "<html><body><h1>Found beside</h1><p>the library</p></body></html>")
file(WRITE ${work}/memo.html "<html><body><p>Memo words</p></body></html>")
execute_process(COMMAND ${PROBE} ${LIBRARY} convert ${work}/page.html ${work}/page.txt 2 "No MS Word"
                RESULT_VARIABLE rc1 OUTPUT_VARIABLE out1 ERROR_VARIABLE err1)
execute_process(COMMAND ${PROBE} ${LIBRARY} convert ${work}/memo.html ${work}/memo.rtf 6 "No MS Word"
                RESULT_VARIABLE rc2 OUTPUT_VARIABLE out2 ERROR_VARIABLE err2)
set(page "")
set(rtf "")
if(EXISTS ${work}/page.txt)
  file(READ ${work}/page.txt page HEX)  # as bytes: the line ends are part of the answer
endif()
if(EXISTS ${work}/memo.rtf)
  file(READ ${work}/memo.rtf rtf LIMIT 6 HEX)
endif()
file(REMOVE_RECURSE ${work})
if(BUILD_DIR)
  file(REMOVE_RECURSE ${PREFIX})
endif()
string(HEX "Found beside\r\nthe library\r\n" wanted)
if(NOT rc1 EQUAL 0 OR NOT page STREQUAL wanted)
  message(FATAL_ERROR "the page to text failed (${rc1}): ${out1} ${err1} [${page}]")
endif()
string(HEX "{\\rtf1" wanted)
if(NOT rc2 EQUAL 0 OR NOT rtf STREQUAL wanted)
  message(FATAL_ERROR "the page to RTF failed (${rc2}): ${out2} ${err2} [${rtf}]")
endif()
