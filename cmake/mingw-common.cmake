# Shared by the MinGW-w64 toolchain files: Debian's -posix g++ for the
# processor the including file names. The runtime (libgcc, libstdc++,
# winpthread) is linked statically so the saver runs on a bare system with no
# MinGW DLLs beside it.
set(CMAKE_SYSTEM_NAME Windows)

set(ORB_MINGW_TRIPLE ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
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
