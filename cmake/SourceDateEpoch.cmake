# kardoskop_source_date_epoch(VAR SOURCE_DIR): the date that the release's dated parts carry (the
# times of the zip's entries), in seconds since 1970, so that one commit always gives one zip,
# whoever builds it where:
#   1. SOURCE_DATE_EPOCH from the environment, when set;
#   2. else, in a git checkout, the time of the last commit: of HEAD when SOURCE_DIR is the top of
#      the checkout, else of the last commit that changed SOURCE_DIR (sources kept in a larger
#      repository); sources the checkout does not track (an unpacked tarball) have none;
#   3. else the date kept in the tree: cmake/source-date.txt, which `git archive` fills with the
#      commit time (export-subst in .gitattributes); in sources that no archive filled in, the
#      fixed date kardoskop_fixed_source_date below.
# VAR_FROM tells which it was. Run as a script (cmake -DSOURCE_DIR=... -P SourceDateEpoch.cmake)
# it prints the value.

# 2026-12-01 00:00 UTC: the sources' date where neither git nor an archive gives one.
set(kardoskop_fixed_source_date 1796083200)

function(kardoskop_source_date_epoch var source_dir)
  get_filename_component(source_dir "${source_dir}" REALPATH)
  set(epoch "")
  if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    set(epoch "$ENV{SOURCE_DATE_EPOCH}")
    set(from "SOURCE_DATE_EPOCH")
  else()
    find_program(_kardoskop_git git)
    if(_kardoskop_git)
      execute_process(COMMAND ${_kardoskop_git} -C "${source_dir}" rev-parse --show-toplevel
        RESULT_VARIABLE rc OUTPUT_VARIABLE top ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(rc EQUAL 0)
        get_filename_component(top "${top}" REALPATH)
        if(top STREQUAL source_dir)
          set(which HEAD)
          set(from "time of the git commit")
        else()
          set(which HEAD -- .)
          set(from "time of the last git commit of these sources")
        endif()
        execute_process(COMMAND ${_kardoskop_git} -C "${source_dir}" log -1 --format=%ct ${which}
          RESULT_VARIABLE rc OUTPUT_VARIABLE epoch ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(NOT rc EQUAL 0)
          set(epoch "")
        endif()
      endif()
    endif()
    if(epoch STREQUAL "")
      if(EXISTS "${source_dir}/cmake/source-date.txt")
        file(STRINGS "${source_dir}/cmake/source-date.txt" epoch LIMIT_COUNT 1)
      endif()
      set(from "commit time written by git archive into cmake/source-date.txt")
      if(NOT epoch MATCHES "^[0-9]+$")
        set(epoch ${kardoskop_fixed_source_date})
        set(from "fixed date of cmake/SourceDateEpoch.cmake: no git commit of these sources")
      endif()
    endif()
  endif()
  if(NOT epoch MATCHES "^[0-9]+$")
    message(FATAL_ERROR "SOURCE_DATE_EPOCH is no number of seconds: '${epoch}'")
  endif()
  set(${var} ${epoch} PARENT_SCOPE)
  set(${var}_FROM "${from}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  kardoskop_source_date_epoch(_epoch "${SOURCE_DIR}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${_epoch})
endif()
