# Cross toolchain for the 32-bit Windows build (Debian's mingw-w64, posix thread model:
# it gives std::thread and std::mutex through winpthreads, linked statically).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
# The prefix of every tool of this toolchain (dlltool, widl, objdump are found by it).
set(QUILLET_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MingwTools.cmake)
