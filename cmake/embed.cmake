# Turns a file of the tree into a C++ string, so that style sheets and scripts stay files of their
# own that can be read and linted, without a resource system under the plain C++ layers.
#
#   corvane_embed(<target> <file> <name>)  defines corvane::embedded::<name> (std::string_view)
#
# Run as a script (cmake -P) it writes the source: INPUT, OUTPUT, NAME.
if(CMAKE_SCRIPT_MODE_FILE)
  file(READ "${INPUT}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "\\\\x\\1" escaped "${hex}")
  file(WRITE "${OUTPUT}"
    "// Generated from ${INPUT}; edit that file instead.\n"
    "#include <string_view>\n\n"
    "namespace corvane::embedded {\n"
    "extern const std::string_view ${NAME};\n"
    "const std::string_view ${NAME}(\"${escaped}\", ${size});\n"
    "} // namespace corvane::embedded\n")
  return()
endif()

function(corvane_embed target file name)
  set(input ${CMAKE_CURRENT_SOURCE_DIR}/${file})
  set(output ${CMAKE_CURRENT_BINARY_DIR}/embedded_${name}.cpp)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${input} -DOUTPUT=${output} -DNAME=${name} -P ${PROJECT_SOURCE_DIR}/cmake/embed.cmake
    DEPENDS ${input} ${PROJECT_SOURCE_DIR}/cmake/embed.cmake
    COMMENT "Embedding ${file}"
    VERBATIM)
  target_sources(${target} PRIVATE ${output})
endfunction()
