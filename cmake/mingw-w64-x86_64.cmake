# Cross-compiles for 64-bit Windows with Debian's mingw-w64 (the -posix
# compilers, whose runtime has std::thread). Everything is linked statically,
# so the programs need no DLL beside them; CTest runs them under Wine.
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(VARNISK_MINGW x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${VARNISK_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VARNISK_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${VARNISK_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${VARNISK_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# Unicode file names reach the system as UTF-16 through the W calls.
add_compile_definitions(UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601)

find_program(VARNISK_WINE NAMES wine wine64)
if(VARNISK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${VARNISK_WINE})
endif()
