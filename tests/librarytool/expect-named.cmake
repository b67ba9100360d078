# Runs `TOOL run LIBRARY ARGS` (through EMULATOR when given) and checks that it finds something
# (exit status 1) and names each page of FOLDER: those in PAGES (comma-separated), or else every
# page directly in the folder. For the pages written for old browsers: without the layer each one fails in a way
# run can see.
execute_process(COMMAND ${EMULATOR} ${TOOL} run ${LIBRARY} ${ARGS} RESULT_VARIABLE status OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
if(NOT status STREQUAL "1")
  message(FATAL_ERROR "exit status ${status}, expected 1\nstdout:\n${out}")
endif()
string(REPLACE "," ";" PAGES "${PAGES}")
if(NOT PAGES)
  file(GLOB PAGES RELATIVE "${LIBRARY}/${FOLDER}" "${LIBRARY}/${FOLDER}/*.html")
endif()
foreach(page IN LISTS PAGES)
  string(FIND "${out}" "${FOLDER}/${page}: " named)
  string(FIND "${out}" "${FOLDER}\\${page}: " namedBack)
  if(named EQUAL -1 AND namedBack EQUAL -1)
    message(FATAL_ERROR "${page} is not named:\n${out}")
  endif()
endforeach()
