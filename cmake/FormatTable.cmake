# The command line's format table as C++, made from the table the Python
# package reads as it is (python/quillet/formats.json), so that the two never
# disagree. Run at build time:
#   cmake -DTABLE=formats.json -DOUTPUT=FormatTable.h -P FormatTable.cmake
# A table that does not read as the command line needs it fails the build,
# naming the entry.
cmake_minimum_required(VERSION 3.25)

file(READ ${TABLE} json)
set(apps word excel powerpoint)
set(enumerators Word Excel PowerPoint)

function(fail what)
  message(FATAL_ERROR "${TABLE}: ${what}")
endfunction()

# Text as a C++ string literal. Control characters are refused rather than
# escaped: no description has a place for one.
string(ASCII 1 first_control)
string(ASCII 31 last_control)
string(ASCII 127 delete)
function(literal out text where)
  if(text MATCHES "[${first_control}-${last_control}${delete}]")
    fail("${where} holds a control character")
  endif()
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "\"" "\\\"" text "${text}")
  set(${out} "\"${text}\"" PARENT_SCOPE)
endfunction()

# The member Key of the JSON at Path..., which must be of Type.
function(member out type)
  string(JSON found ERROR_VARIABLE error TYPE "${json}" ${ARGN})
  if(error)
    fail("${error}")
  endif()
  if(NOT found STREQUAL type)
    list(JOIN ARGN "." where)
    fail("${where} is ${found}, not ${type}")
  endif()
  string(JSON value GET "${json}" ${ARGN})
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

set(rows "")
member(formats ARRAY formats)
string(JSON count LENGTH "${json}" formats)
if(count EQUAL 0)
  fail("formats is empty")
endif()
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  member(names ARRAY formats ${i} names)
  string(JSON name_count LENGTH "${json}" formats ${i} names)
  if(name_count EQUAL 0)
    fail("formats.${i}.names is empty")
  endif()
  math(EXPR last_name "${name_count} - 1")
  set(joined "")
  foreach(n RANGE ${last_name})
    member(name STRING formats ${i} names ${n})
    # The command line looks a name up in lower case, and keeps a format's
    # names as one text separated by "|".
    if(NOT name MATCHES "^[a-z0-9]+$")
      fail("formats.${i}.names.${n} (${name}) is not a lower-case name of letters and digits")
    endif()
    list(APPEND joined ${name})
  endforeach()
  list(JOIN joined "|" joined)

  member(extension STRING formats ${i} extension)
  if(NOT extension MATCHES "^\\.[a-z0-9]+$")
    fail("formats.${i}.extension (${extension}) is not a dot and a lower-case extension")
  endif()

  set(numbers "")
  foreach(app ${apps})
    string(JSON type ERROR_VARIABLE error TYPE "${json}" formats ${i} ${app})
    if(error)
      fail("formats.${i} has no ${app}: a number, or null where the application lacks the format")
    elseif(type STREQUAL "NULL")
      list(APPEND numbers "std::nullopt")
    else()
      member(number NUMBER formats ${i} ${app})
      if(NOT number MATCHES "^-?[0-9]+$")
        fail("formats.${i}.${app} (${number}) is not a whole number")
      endif()
      list(APPEND numbers ${number})
    endif()
  endforeach()
  list(JOIN numbers ", " numbers)

  member(description STRING formats ${i} description)
  literal(description "${description}" "formats.${i}.description")
  string(APPEND rows "    {\"${joined}\", \"${extension}\", ${numbers},\n     ${description}},\n")
endforeach()

set(sources "")
member(ignored OBJECT sources)
foreach(app enumerator IN ZIP_LISTS apps enumerators)
  member(ignored ARRAY sources ${app})
  string(JSON count LENGTH "${json}" sources ${app})
  if(count EQUAL 0)
    continue()
  endif()
  math(EXPR last "${count} - 1")
  foreach(i RANGE ${last})
    member(extension STRING sources ${app} ${i})
    if(NOT extension MATCHES "^\\.[a-z0-9]+$")
      fail("sources.${app}.${i} (${extension}) is not a dot and a lower-case extension")
    endif()
    if(extension IN_LIST seen)
      fail("sources.${app}.${i} (${extension}) is another application's source too")
    endif()
    list(APPEND seen ${extension})
    string(APPEND sources "    {\"${extension}\", App::${enumerator}},\n")
  endforeach()
endforeach()

file(RELATIVE_PATH from ${CMAKE_CURRENT_LIST_DIR}/.. ${TABLE})
set(header "// Made by cmake/FormatTable.cmake from ${from}: edit that table.
#pragma once

#include <optional>

#include \"FormatNames.h\"

namespace quillet::cli::table {

inline constexpr FormatName kNames[] = {
${rows}};

// The extensions of the documents each application opens.
struct SourceExtension {
  const char* extension;
  App app;
};
inline constexpr SourceExtension kSources[] = {
${sources}};

}  // namespace quillet::cli::table
")
file(WRITE ${OUTPUT} "${header}")
