# CPack runs this after staging the release files and before writing the zip; an error here stops
# the package. Exactly the shipped files must be staged, and they must pass the static PE check.
# A zip and checksum left from an earlier package go first, so a stopped package leaves none.
file(REMOVE ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip
  ${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.zip.sha256)

set(_staged ${CPACK_TEMPORARY_DIRECTORY})
file(GLOB_RECURSE _found RELATIVE ${_staged} LIST_DIRECTORIES true ${_staged}/*)
list(SORT _found)
set(_expected ${CPACK_KARDOSKOP_FILES})
list(SORT _expected)
if(NOT _found STREQUAL _expected)
  message(FATAL_ERROR "release: staged '${_found}', expected exactly '${_expected}'")
endif()

list(GET CPACK_KARDOSKOP_FILES 0 _program)
list(GET CPACK_KARDOSKOP_FILES 1 _module)
foreach(_check "program;${_program};--version;${CPACK_PACKAGE_VERSION}" "resource-module;${_module}")
  list(POP_FRONT _check _kind _file)
  execute_process(COMMAND ${CPACK_KARDOSKOP_PYTHON} ${CPACK_KARDOSKOP_PE_CHECK} ${_kind}
      ${_staged}/${_file} --machine i386 ${_check}
    RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "release: ${_file} fails the static check (${_rc}); no package written")
  endif()
endforeach()

# CPack's archive writer gives every entry SOURCE_DATE_EPOCH as its modification, access and change
# time, when set: the date of the sources (SourceDateEpoch.cmake), not of this build.
include(${CMAKE_CURRENT_LIST_DIR}/SourceDateEpoch.cmake)
kardoskop_source_date_epoch(_epoch ${CPACK_KARDOSKOP_SOURCE_DIR})
set(ENV{SOURCE_DATE_EPOCH} ${_epoch})
message(STATUS "release: entries dated ${_epoch} (${_epoch_FROM})")
