# Cross build of orb.scr for x86_64 Windows with Debian's MinGW-w64 (the -posix
# g++). The runtime (libgcc, libstdc++, winpthread) is linked statically so the
# saver runs on a bare system with no MinGW DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORB_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${ORB_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORB_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${ORB_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORB_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static pulls winpthread in as an archive too; GUI executables add -mwindows
# themselves (WIN32_EXECUTABLE).
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
