# Shared part of the two MinGW-w64 toolchain files: the includer sets KARDOSKOP_MINGW_TRIPLET
# (i686-w64-mingw32 or x86_64-w64-mingw32) and CMAKE_SYSTEM_PROCESSOR.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${KARDOSKOP_MINGW_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${KARDOSKOP_MINGW_TRIPLET}-g++)
set(CMAKE_RC_COMPILER  ${KARDOSKOP_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KARDOSKOP_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static runtime: the program and the test executables need no MinGW DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
