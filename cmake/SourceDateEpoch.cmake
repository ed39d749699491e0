# kardoskop_source_date_epoch(VAR SOURCE_DIR): the date that the release's dated parts carry (the
# times of the zip's entries), in seconds since 1970, so that one commit always gives one zip:
#   1. SOURCE_DATE_EPOCH from the environment, when set;
#   2. else the commit time of HEAD, when SOURCE_DIR is the top of a git checkout;
#   3. else (sources from a tarball, no .git) the modification time of SOURCE_DIR/CMakeLists.txt:
#      `git archive` gives every file the commit time. A tarball made otherwise carries whatever
#      times it was given; set SOURCE_DATE_EPOCH when building from one.
# VAR_FROM tells which of the three it was. Run as a script (cmake -DSOURCE_DIR=... -P
# SourceDateEpoch.cmake) it prints the value.
function(kardoskop_source_date_epoch var source_dir)
  get_filename_component(source_dir "${source_dir}" REALPATH)
  if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    set(epoch "$ENV{SOURCE_DATE_EPOCH}")
    set(from "SOURCE_DATE_EPOCH")
  else()
    set(epoch "")
    find_program(_kardoskop_git git)
    if(_kardoskop_git)
      # Only a checkout of these sources counts, not one that merely contains an unpacked tarball.
      execute_process(COMMAND ${_kardoskop_git} -C "${source_dir}" rev-parse --show-toplevel
        RESULT_VARIABLE rc OUTPUT_VARIABLE top ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(rc EQUAL 0)
        get_filename_component(top "${top}" REALPATH)
      endif()
      if(rc EQUAL 0 AND top STREQUAL source_dir)
        execute_process(COMMAND ${_kardoskop_git} -C "${source_dir}" log -1 --format=%ct
          RESULT_VARIABLE rc OUTPUT_VARIABLE epoch ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
        set(from "time of the git commit")
        if(NOT rc EQUAL 0)
          set(epoch "")
        endif()
      endif()
    endif()
    if(epoch STREQUAL "")
      file(TIMESTAMP "${source_dir}/CMakeLists.txt" epoch "%s" UTC)
      set(from "time of CMakeLists.txt: no git commit of these sources")
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
