# Cross-compiles for 64-bit Windows with mingw-w64 (posix threads) and runs
# what it builds under Wine, so ctest treats Windows tests like native ones.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KAZEBAN_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KAZEBAN_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KAZEBAN_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KAZEBAN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KAZEBAN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# One self-contained .exe: no libstdc++/winpthread DLLs to ship beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

set(CMAKE_CROSSCOMPILING_EMULATOR wine)
