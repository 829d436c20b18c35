# Cross-compiling for 64-bit Windows with Debian's mingw-w64, posix-threads
# variant (std::thread and std::mutex need it). The libraries are looked up
# in the mingw-w64 system root and in TAMARACK_WINDOWS_DEPS, the prefix that
# tools/build-windows.sh builds them into; nothing of the build machine's own.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
set(CMAKE_ASM_NASM_COMPILER nasm)

if(NOT TAMARACK_WINDOWS_DEPS AND DEFINED ENV{TAMARACK_WINDOWS_DEPS})
  set(TAMARACK_WINDOWS_DEPS $ENV{TAMARACK_WINDOWS_DEPS})
endif()
# try_compile projects read this file again: they get the prefix too.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TAMARACK_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${TAMARACK_WINDOWS_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(TAMARACK_WINDOWS_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} ${TAMARACK_WINDOWS_DEPS}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()
