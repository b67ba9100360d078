# Each layer library exposes an include folder of its own, holding one link named like the layer
# to the layer's folder: "platform/files.h" is found only by targets that link corvane_platform.
# A layer that includes a layer above it, or a Qt layer, fails to build.
#
#   corvane_layer_includes(<target> <layer folder>)
function(corvane_layer_includes target layer)
  set(folder ${CMAKE_BINARY_DIR}/include/${layer})
  file(MAKE_DIRECTORY ${folder})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${layer} ${folder}/${layer} RESULT linked SYMBOLIC)
  if(NOT linked EQUAL 0)
    # Without the right to make links (Windows without developer mode) the tree is the include
    # folder, and only tools/layers.sh keeps the arrows.
    message(WARNING "No link for ${layer}'s include folder (${linked}): layering is not enforced")
    set(folder ${PROJECT_SOURCE_DIR})
  endif()
  target_include_directories(${target} PUBLIC ${folder})
endfunction()
