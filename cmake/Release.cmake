# The release of the shipped (i686) build: `cmake --build --preset mingw --target package` writes
# PCSC_Kardoskop-<version>-win32.zip with the program and its English module at the top level, and
# beside it the zip's SHA-256 in the format of `sha256sum -c`. Before the zip is written the staged
# files pass the static check of pe_check_program and pe_check_english_module (ReleaseCheck.cmake),
# or the package stops. The same sources give the same zip: ReleaseCheck.cmake dates the entries with
# the sources' date, ReleaseZip.cmake takes out what CPack leaves of the machine and the user.

# Exactly the two files that ship: no import library, no test programs, no stand-ins.
install(PROGRAMS $<TARGET_FILE:PCSC_Kardoskop> $<TARGET_FILE:PCSC_KardoskopENU> DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME ${PROJECT_NAME}-${PROJECT_VERSION}-win32)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/ReleaseCheck.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/ReleaseZip.cmake)
# Read by ReleaseCheck.cmake and ReleaseZip.cmake.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(CPACK_KARDOSKOP_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_KARDOSKOP_PYTHON ${Python3_EXECUTABLE})
set(CPACK_KARDOSKOP_PE_CHECK ${PROJECT_SOURCE_DIR}/testenv/pecheck/pe_check.py)
set(CPACK_KARDOSKOP_FILES PCSC_Kardoskop.exe PCSC_KardoskopENU.dll)
include(CPack)

# Two builds of the package from copies of these sources in two folders give the same bytes. No
# Wine needed: it runs with the static checks on every machine.
add_test(NAME release_reproducible
  COMMAND bash ${PROJECT_SOURCE_DIR}/tests/release/build_twice.sh ${PROJECT_SOURCE_DIR}
    ${PROJECT_BINARY_DIR}/release_twice)
set_tests_properties(release_reproducible PROPERTIES LABELS static TIMEOUT 1800)
