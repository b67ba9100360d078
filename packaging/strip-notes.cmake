# Run by CPack on the staged files before it builds a package: takes the compiler's notes (the
# .comment section, which CPack's strip keeps) out of the executables, as Debian's tools do.
file(GLOB_RECURSE files LIST_DIRECTORIES false "${CPACK_TEMPORARY_INSTALL_DIRECTORY}/*")
foreach(file IN LISTS files)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46") # ELF
    execute_process(COMMAND "${CPACK_CORVANE_OBJCOPY}" --remove-section=.comment "${file}" RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "cannot take .comment out of ${file}")
    endif()
  endif()
endforeach()
