# Cross-compiling for Windows with mingw-w64 (Debian's win32-threads compilers), for the
# target whose triple and processor the including toolchain file has set.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${VXIMAGE_MINGW_TRIPLE}-gcc-win32)
set(CMAKE_CXX_COMPILER ${VXIMAGE_MINGW_TRIPLE}-g++-win32)
set(CMAKE_RC_COMPILER ${VXIMAGE_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VXIMAGE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
