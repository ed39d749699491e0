# CPack runs this after writing the zip and before copying it out and writing its checksum. CPack
# (CMake 3.25) writes the entries in the file system's order, with the builder's user and group ids
# and DOS times in the local time zone; normalize_zip.py puts the entries in name order, owner 0 and
# DOS times in UTC. On a failure the zip is removed, so none is copied out.
foreach(_zip IN LISTS CPACK_PACKAGE_FILES)
  execute_process(COMMAND ${CPACK_KARDOSKOP_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/normalize_zip.py ${_zip}
    RESULT_VARIABLE _rc)
  if(NOT _rc EQUAL 0)
    file(REMOVE ${_zip})
    message(FATAL_ERROR "release: cannot normalize ${_zip}; no package written")
  endif()
endforeach()
