# Cross build for 32-bit Windows with MinGW-w64, posix thread model (the
# one with std::thread). Everything is linked statically, so the programs
# and the DLL import nothing but the system's own DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(KQ_MINGW i686-w64-mingw32)
set(CMAKE_C_COMPILER ${KQ_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KQ_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KQ_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KQ_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# Tests (and test discovery) run the programs through wine.
find_program(KQ_WINE wine)
if(KQ_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${KQ_WINE})
endif()
