# Running cross-built test programs under Wine, in a prefix private to the build tree.
#
# Every Wine test program lands in KARDOSKOP_WINE_BIN_DIR next to the simulated winscard.dll (and
# the other stand-in DLLs), so that Wine's search of the program's own directory finds them. The
# CTest fixture `wine_prefix` creates the prefix once and stops its wineserver at the end; the first
# test's run-test.sh starts the wineserver that the later tests of the run share.

set(KARDOSKOP_WINE_BIN_DIR ${CMAKE_BINARY_DIR}/wine-bin)
set(KARDOSKOP_WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(KARDOSKOP_WINE_SCRIPTS ${CMAKE_SOURCE_DIR}/testenv/wine)
# The shipped i686 program runs in a win32 prefix, the x86_64 twin in a win64 one (env.sh).
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(KARDOSKOP_WINEARCH win64)
else()
  set(KARDOSKOP_WINEARCH win32)
endif()

# The i686 program as a 32-bit process on 64-bit Windows (WOW64): a win64 prefix of its own, where
# the program's file-system redirection really turns off and on. Runs only where Wine has both
# loaders (wine32 and wine64 installed): label `wow64`, not `wine`.
set(KARDOSKOP_WOW64_PREFIX ${CMAKE_BINARY_DIR}/wineprefix-wow64)

# kardoskop_time_limits(TEST...): CTest's time-out of each test (its TIMEOUT, set before) is
# stretched by KARDOSKOP_TIME_FACTOR when ctest runs, as the harness and the driver stretch theirs
# (testenv/wine/time-limits).
function(kardoskop_time_limits)
  foreach(_test ${ARGN})
    get_test_property(${_test} TIMEOUT _timeout)
    if(_timeout)
      set_property(GLOBAL APPEND PROPERTY KARDOSKOP_TIME_LIMITS ${_test} ${_timeout})
    endif()
  endforeach()
endfunction()

# kardoskop_wine_env(TEST...): the tests run Wine on this build tree's prefix.
function(kardoskop_wine_env)
  foreach(_test ${ARGN})
    set_property(TEST ${_test} APPEND PROPERTY ENVIRONMENT KARDOSKOP_WINEARCH=${KARDOSKOP_WINEARCH})
    set_property(TEST ${_test} APPEND PROPERTY LABELS wine)
  endforeach()
  kardoskop_time_limits(${ARGN})
endfunction()

# kardoskop_wow64_env(TEST...): the tests run the i686 programs in the WOW64 prefix.
function(kardoskop_wow64_env)
  foreach(_test ${ARGN})
    set_property(TEST ${_test} APPEND PROPERTY ENVIRONMENT KARDOSKOP_WINEARCH=win64)
    set_property(TEST ${_test} APPEND PROPERTY LABELS wow64)
  endforeach()
  kardoskop_time_limits(${ARGN})
endfunction()

# kardoskop_add_wine_test(NAME target [args...]): runs the program of `target` under Wine with the
# simulated winscard.dll as one CTest test.
function(kardoskop_add_wine_test name target)
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${KARDOSKOP_WINE_BIN_DIR})
  add_dependencies(${target} simwinscard)
  add_test(NAME ${name}
    COMMAND sh ${KARDOSKOP_WINE_SCRIPTS}/run-test.sh ${KARDOSKOP_WINE_PREFIX} $<TARGET_FILE:${target}> ${ARGN})
  # Dialogs need a display: the run's private Xvfb, shared with the end-to-end tests.
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "wine_prefix;e2e_display"
    RESOURCE_LOCK e2e_desktop TIMEOUT 300
    ENVIRONMENT "KARDOSKOP_DISPLAY_STATE=${CMAKE_BINARY_DIR}/e2e/display.json")
  kardoskop_wine_env(${name})
endfunction()
