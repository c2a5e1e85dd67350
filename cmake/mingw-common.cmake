# Shared part of the two MinGW-w64 toolchain files; TANDEM_MINGW_PREFIX names the target triple.
set(CMAKE_C_COMPILER   ${TANDEM_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TANDEM_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TANDEM_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TANDEM_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Only the 64-bit programs can run here (under Wine); the 32-bit build is compiled and linked only.
if(TANDEM_MINGW_PREFIX STREQUAL "x86_64-w64-mingw32")
  set(CMAKE_CROSSCOMPILING_EMULATOR wine)
endif()
