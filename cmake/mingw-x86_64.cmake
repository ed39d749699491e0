# Cross build for 64-bit Windows with MinGW-w64 (Debian's g++-mingw-w64-x86-64): the x86_64 twin,
# which runs wherever the machine runs no 32-bit code and talks to a real pcscd through Wine 10. It
# does not ship.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KARDOSKOP_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWToolchain.cmake)
