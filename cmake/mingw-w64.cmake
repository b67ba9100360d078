# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(CORVANE_MINGW_PREFIX x86_64-w64-mingw32)
# The posix threading flavour gives GoogleTest std::mutex and friends.
find_program(CMAKE_CXX_COMPILER NAMES ${CORVANE_MINGW_PREFIX}-g++-posix ${CORVANE_MINGW_PREFIX}-g++)
find_program(CMAKE_C_COMPILER NAMES ${CORVANE_MINGW_PREFIX}-gcc-posix ${CORVANE_MINGW_PREFIX}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${CORVANE_MINGW_PREFIX}-windres)
# Left to CMake, a missing compiler surfaces as an unrelated generator or compiler-test error.
foreach(tool CMAKE_CXX_COMPILER CMAKE_C_COMPILER CMAKE_RC_COMPILER)
  if(NOT ${tool})
    message(FATAL_ERROR
      "The mingw-w64 cross compiler ${CORVANE_MINGW_PREFIX}-g++-posix (with its gcc and windres) "
      "was not found. Install it with: apt-get install g++-mingw-w64-x86-64-posix "
      "(or run bash tools/windows-tool.sh, which installs what it needs).")
  endif()
endforeach()

set(CMAKE_FIND_ROOT_PATH /usr/${CORVANE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Self-contained executables: Wine finds no libstdc++ or winpthread DLLs beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
