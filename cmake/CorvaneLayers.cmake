# The layers of the program build as one library each, and each sees only the headers of
# its own folder and of the layers it links: its include root in the build folder holds
# links to just those source folders, so an upward include ("document/..." from
# platform/) does not compile. Sources include headers by folder ("platform/Profile.h").
#
#   corvane_layer(TARGET FOLDERS folder... [LINKS library...] SOURCES file...)
# makes a static library of the sources, its include root with links to the folders
# named (its own first, then those of the layers below it that it may use), and links the
# libraries (PUBLIC), whose roots it then sees as well.
function(corvane_include_root target visibility)
  set(root ${CMAKE_BINARY_DIR}/include-roots/${target})
  file(MAKE_DIRECTORY ${root})
  foreach(folder ${ARGN})
    if(NOT EXISTS ${root}/${folder})
      file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${target} ${visibility} ${root})
endfunction()

function(corvane_layer target)
  cmake_parse_arguments(LAYER "" "" "FOLDERS;LINKS;SOURCES" ${ARGN})
  add_library(${target} STATIC ${LAYER_SOURCES})
  corvane_include_root(${target} PUBLIC ${LAYER_FOLDERS})
  if(LAYER_LINKS)
    target_link_libraries(${target} PUBLIC ${LAYER_LINKS})
  endif()
  corvane_warnings(${target})
endfunction()
