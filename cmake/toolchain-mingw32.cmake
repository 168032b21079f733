# Cross-compiles the 32-bit Windows installer with MinGW-w64 (posix threads: GoogleTest needs std::mutex).
# toolchain-mingw64.cmake reuses it with another target.
if(NOT MINGW_TRIPLE)
  set(MINGW_TRIPLE i686-w64-mingw32)
  set(CMAKE_SYSTEM_PROCESSOR i686)
endif()
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Test executables run under Wine, through a wrapper that sets the locale Wine takes its code page from.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
