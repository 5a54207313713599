# The two image libraries behind the JPEG and GIF writers, as the global targets
# quillet_jpeg and quillet_gif.
#
# Native: Debian's libjpeg-dev (libjpeg-turbo) and libgif-dev.
# Windows: Debian ships no mingw-w64 build of either, so their Debian source
# packages, unpacked into QUILLET_DEPS_DIR by scripts/fetch-sources.sh, are
# cross-compiled here and linked statically into quillet.dll.

if(TARGET quillet_jpeg)
  return()
endif()

if(NOT WIN32)
  find_package(JPEG REQUIRED GLOBAL)
  find_package(GIF 5 REQUIRED GLOBAL)
  add_library(quillet_jpeg INTERFACE)
  target_link_libraries(quillet_jpeg INTERFACE JPEG::JPEG)
  add_library(quillet_gif INTERFACE)
  target_link_libraries(quillet_gif INTERFACE GIF::GIF)
  return()
endif()

set(QUILLET_DEPS_DIR "${PROJECT_SOURCE_DIR}/.deps" CACHE PATH
    "Folder holding the unpacked Debian source packages of libjpeg-turbo and giflib")

function(quillet_find_source_tree var package)
  file(GLOB trees LIST_DIRECTORIES true "${QUILLET_DEPS_DIR}/${package}-[0-9]*")
  list(FILTER trees EXCLUDE REGEX "\\.(tar\\..*|dsc|gz|xz)$")
  if(NOT trees)
    message(FATAL_ERROR "The ${package} sources are missing from ${QUILLET_DEPS_DIR}: "
                        "run scripts/fetch-sources.sh (or scripts/setup.sh) first.")
  endif()
  list(SORT trees)
  list(GET trees -1 tree)
  set(${var} "${tree}" PARENT_SCOPE)
endfunction()

# --- libjpeg-turbo: its own CMake build, static library only ------------------
quillet_find_source_tree(QUILLET_JPEG_SOURCE libjpeg-turbo)
include(ExternalProject)
set(jpeg_build "${CMAKE_BINARY_DIR}/deps/libjpeg-turbo")
# The SIMD code needs nasm; without it the portable C code is used.
find_program(QUILLET_NASM nasm)
if(QUILLET_NASM)
  set(jpeg_simd ON)
else()
  set(jpeg_simd OFF)
endif()
ExternalProject_Add(libjpeg_turbo_build
  SOURCE_DIR "${QUILLET_JPEG_SOURCE}"
  BINARY_DIR "${jpeg_build}"
  CMAKE_GENERATOR "${CMAKE_GENERATOR}"
  CMAKE_ARGS
    -Wno-dev
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DENABLE_SHARED=OFF
    -DENABLE_STATIC=ON
    -DWITH_TURBOJPEG=OFF
    -DWITH_SIMD=${jpeg_simd}
    -DREQUIRE_SIMD=${jpeg_simd}
    -DCMAKE_ASM_NASM_COMPILER=${QUILLET_NASM}
    -DCMAKE_C_FLAGS=-w
    # Never installed; the default Windows prefix would not even parse here.
    -DCMAKE_INSTALL_PREFIX=${jpeg_build}/unused-install
  # Only the library is needed: no tools, no tests, no install step.
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target jpeg-static
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS "${jpeg_build}/libjpeg.a"
  USES_TERMINAL_BUILD OFF)
file(MAKE_DIRECTORY "${jpeg_build}")
add_library(quillet_jpeg STATIC IMPORTED GLOBAL)
set_target_properties(quillet_jpeg PROPERTIES
  IMPORTED_LOCATION "${jpeg_build}/libjpeg.a"
  # jconfig.h is generated in the build folder, the other headers are in the sources.
  INTERFACE_INCLUDE_DIRECTORIES "${QUILLET_JPEG_SOURCE};${jpeg_build}"
  INTERFACE_SYSTEM_INCLUDE_DIRECTORIES "${QUILLET_JPEG_SOURCE};${jpeg_build}")
add_dependencies(quillet_jpeg libjpeg_turbo_build)

# --- giflib: a handful of C files, compiled directly ---------------------------
quillet_find_source_tree(QUILLET_GIF_SOURCE giflib)
add_library(quillet_gif STATIC
  ${QUILLET_GIF_SOURCE}/dgif_lib.c
  ${QUILLET_GIF_SOURCE}/egif_lib.c
  ${QUILLET_GIF_SOURCE}/gifalloc.c
  ${QUILLET_GIF_SOURCE}/gif_err.c
  ${QUILLET_GIF_SOURCE}/gif_hash.c
  ${QUILLET_GIF_SOURCE}/openbsd-reallocarray.c)
target_include_directories(quillet_gif SYSTEM PUBLIC ${QUILLET_GIF_SOURCE})
# Third-party code: its warnings are not ours to fix.
target_compile_options(quillet_gif PRIVATE -w)
