# Runs `TOOL check LIBRARY` (through EMULATOR when given) and checks that it exits with STATUS
# and that its standard output holds OUTPUT byte for byte: UTF-8, as the console shows it. With
# TERMINAL the tool writes to a pseudo-terminal, a console as a user has one.
set(command ${EMULATOR} ${TOOL} check ${LIBRARY})
if(TERMINAL)
  string(JOIN " " line ${command})
  set(command script -qec "${line}" /dev/null)
endif()
execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status STREQUAL STATUS)
  message(FATAL_ERROR "exit status ${status}, expected ${STATUS}\nstdout:\n${out}\nstderr:\n${err}")
endif()
string(FIND "${out}" "${OUTPUT}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "stdout does not hold \"${OUTPUT}\":\n${out}\nstderr:\n${err}")
endif()
