# Checks a built quillet.dll without running it, from what objdump reads in
# its headers, so that the check runs on any machine:
#   - the image is a DLL of the expected kind (PE32 for i386, PE32+ for x86-64);
#   - its export table holds exactly the names the README lists;
#   - every DLL it imports from is one of the Windows system DLLs the README
#     lists (no libgcc, libstdc++ or winpthreads beside it);
#   - the type library is embedded as resource TYPELIB 1, the size of the one
#     widl compiled.
#
# cmake -DOBJDUMP=... -DDLL=... -DMACHINE=i386|x86-64 -DREADME=... -DTYPELIB=... -P CheckDll.cmake
cmake_minimum_required(VERSION 3.25)

foreach(var OBJDUMP DLL MACHINE README TYPELIB)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckDll.cmake needs -D${var}=...")
  endif()
endforeach()

set(failures "")
macro(fail text)
  string(APPEND failures "  ${text}\n")
endmacro()

# The names in backticks on the README's line that starts with the given words.
function(readme_names out words)
  file(STRINGS "${README}" lines REGEX "^${words}")
  list(LENGTH lines count)
  if(NOT count EQUAL 1)
    message(FATAL_ERROR "The README must have one line starting with \"${words}\"; it has ${count}.")
  endif()
  string(REGEX MATCHALL "`[^`]+`" quoted "${lines}")
  set(names "")
  foreach(q ${quoted})
    string(REPLACE "`" "" q "${q}")
    list(APPEND names "${q}")
  endforeach()
  set(${out} "${names}" PARENT_SCOPE)
endfunction()

readme_names(expected_exports "The exports of either DLL, and no other:")
readme_names(allowed_imports "Either DLL imports from these Windows system DLLs only:")

execute_process(COMMAND ${OBJDUMP} -p ${DLL} OUTPUT_VARIABLE dump RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${DLL} failed: ${err}")
endif()

# --- the kind of image --------------------------------------------------------
if(MACHINE STREQUAL "i386")
  set(format "pei-i386")
  set(magic "010b\t\\(PE32\\)")
elseif(MACHINE STREQUAL "x86-64")
  set(format "pei-x86-64")
  set(magic "020b\t\\(PE32\\+\\)")
else()
  message(FATAL_ERROR "MACHINE must be i386 or x86-64, not ${MACHINE}")
endif()
if(NOT dump MATCHES "file format ${format}\n")
  string(REGEX MATCH "file format [^\n]*" seen "${dump}")
  fail("not a ${format} image (${seen})")
endif()
if(NOT dump MATCHES "Magic\t+${magic}")
  fail("the optional header is not ${magic}")
endif()
if(NOT dump MATCHES "Characteristics 0x[0-9a-f]+\n(\t[^\n]*\n)*\tDLL\n")
  fail("the image is not marked as a DLL")
endif()

# --- exports ------------------------------------------------------------------
string(FIND "${dump}" "[Ordinal/Name Pointer] Table" at)
if(at EQUAL -1)
  fail("no export name table")
  set(exports "")
else()
  string(SUBSTRING "${dump}" ${at} -1 table)
  # The table ends at the first empty line.
  string(FIND "${table}" "\n\n" end)
  string(SUBSTRING "${table}" 0 ${end} table)
  string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" rows "${table}")
  set(exports "")
  foreach(row ${rows})
    string(REGEX REPLACE "^\\[ *[0-9]+\\] " "" name "${row}")
    list(APPEND exports "${name}")
  endforeach()
endif()
list(SORT exports)
set(want ${expected_exports})
list(SORT want)
if(NOT exports STREQUAL want)
  fail("exports are [${exports}], the README says [${want}]")
endif()

# --- imports ------------------------------------------------------------------
string(REGEX MATCHALL "DLL Name: [^\n]+" import_rows "${dump}")
if(NOT import_rows)
  fail("no import table")
endif()
string(TOLOWER "${allowed_imports}" allowed_lower)
foreach(row ${import_rows})
  string(REPLACE "DLL Name: " "" name "${row}")
  string(TOLOWER "${name}" lower)
  if(NOT lower IN_LIST allowed_lower)
    fail("imports from ${name}, which is not among the README's system DLLs")
  endif()
endforeach()

# --- the embedded type library --------------------------------------------------
file(SIZE "${TYPELIB}" tlb_size)
math(EXPR tlb_hex "${tlb_size}" OUTPUT_FORMAT HEXADECIMAL)
string(REGEX REPLACE "^0x" "" tlb_hex "${tlb_hex}")
if(NOT dump MATCHES "Entry: name: \\[val: [0-9a-f]+ len 7\\]: TYPELIB, Value: 0x[0-9a-f]+\n[^\n]*Name Table[^\n]*\n[^\n]*Entry: ID: 0x0*1, [^\n]*\n[^\n]*Language Table[^\n]*\n[^\n]*Entry: ID: 0x[0-9a-f]+, [^\n]*\n[^\n]*Leaf: Addr: 0x[0-9a-f]+, Size: 0x0*([0-9a-f]+),")
  fail("no resource TYPELIB 1")
elseif(NOT CMAKE_MATCH_1 STREQUAL tlb_hex)
  fail("resource TYPELIB 1 has 0x${CMAKE_MATCH_1} bytes, the compiled type library 0x${tlb_hex}")
endif()

if(failures)
  message(FATAL_ERROR "${DLL}:\n${failures}")
endif()
list(LENGTH exports n_exports)
list(LENGTH import_rows n_imports)
message(STATUS "${DLL}: ${format}, ${n_exports} exports, ${n_imports} system DLLs imported, type library embedded")
