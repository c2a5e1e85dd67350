# Shared part of the two MinGW-w64 toolchain files; TANDEM_MINGW_PREFIX names the target triple.
set(CMAKE_C_COMPILER   ${TANDEM_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TANDEM_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TANDEM_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${TANDEM_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Both builds' programs run here under Wine (the 32-bit ones need 32-bit Wine).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
