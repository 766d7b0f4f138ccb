# Cross build for 64-bit Windows with the mingw-w64 toolchain (posix threads
# variant). The program and the tests link statically, so they need nothing
# beyond the DLLs that come with Windows.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TESSARINE_MINGW_PREFIX x86_64-w64-mingw32)
find_program(TESSARINE_MINGW_CXX NAMES ${TESSARINE_MINGW_PREFIX}-g++-posix
                                       ${TESSARINE_MINGW_PREFIX}-g++ REQUIRED)
find_program(TESSARINE_MINGW_CC NAMES ${TESSARINE_MINGW_PREFIX}-gcc-posix
                                      ${TESSARINE_MINGW_PREFIX}-gcc REQUIRED)
set(CMAKE_C_COMPILER ${TESSARINE_MINGW_CC})
set(CMAKE_CXX_COMPILER ${TESSARINE_MINGW_CXX})
set(CMAKE_RC_COMPILER ${TESSARINE_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TESSARINE_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libgcc, libstdc++ or winpthread DLLs next to the executables.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Windows 10 is the oldest system the program is built for.
set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0A00 -DWINVER=0x0A00")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0A00 -DWINVER=0x0A00")

# Cross-built tests run under Wine. The prefix (WINEPREFIX) is chosen by the
# caller; .ci/windows.sh keeps a private one inside the build folder.
if(NOT DEFINED CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(TESSARINE_WINE NAMES wine64 wine
               PATHS /usr/lib/wine NO_DEFAULT_PATH)
  if(NOT TESSARINE_WINE)
    find_program(TESSARINE_WINE NAMES wine64 wine)
  endif()
  if(TESSARINE_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${TESSARINE_WINE})
  endif()
endif()
