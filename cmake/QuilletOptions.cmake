# Compiler settings shared by every target of the tree.

add_compile_options(-Wall -Wextra)

if(WIN32)
  # Windows XP-era API surface is enough, but we rely on a few Vista+ calls.
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # The DLL and every test executable must run on a bare Windows: no libgcc,
  # libstdc++ or winpthreads DLLs beside them.
  add_link_options(-static -static-libgcc -static-libstdc++)
endif()

if(QUILLET_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(QUILLET_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Everything the fuzz programs link is instrumented, so that libFuzzer sees
  # the coverage of the code under test and not only of the entries.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(QUILLET_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Runs a Windows test program under Wine with the build tree's own prefix.
if(CMAKE_CROSSCOMPILING AND WIN32)
  set(QUILLET_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
  # A prefix and a loader of the build's own word size: a 64-bit prefix runs
  # the 64-bit build on machines that cannot run 32-bit programs at all.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(QUILLET_WINEARCH win64)
    set(wine_loader_name wine64)
  else()
    set(QUILLET_WINEARCH win32)
    set(wine_loader_name wine)
  endif()
  find_program(QUILLET_WINE_LOADER ${wine_loader_name} PATHS /usr/lib/wine NO_DEFAULT_PATH)
  if(NOT QUILLET_WINE_LOADER)
    # Configured anyway: the build and its static checks need no Wine.
    set(QUILLET_WINE_LOADER /usr/lib/wine/${wine_loader_name})
  endif()
  # The tests' own CUPS server (tests/printing/cups-server.sh).
  set(QUILLET_TEST_CUPS_SOCKET "${CMAKE_BINARY_DIR}/tests/printing/cups/cups.sock")
  configure_file(${PROJECT_SOURCE_DIR}/scripts/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
endif()

# Only the four entry points leave the shared library.
set(CMAKE_C_VISIBILITY_PRESET hidden)
set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
