# Compiles one include of each layer's headers with each layer's include root, and fails
# unless exactly the layers below (and the layer itself) can be included: an upward
# include must not compile. Run as
#   cmake -DCOMPILER=... -DROOTS=<build>/include-roots -P CheckLayers.cmake
set(layers platform icons document)
set(header_platform "platform/Profile.h")
set(header_icons "icons/IconLibrary.h")
set(header_document "document/ButtonList.h")
# What each layer's root may include, in the order of the layers.
set(sees_platform platform)
set(sees_icons platform icons)
set(sees_document platform icons document)

set(work ${CMAKE_CURRENT_BINARY_DIR}/layer-check)
file(MAKE_DIRECTORY ${work})
set(failures "")
foreach(layer ${layers})
  foreach(target ${layers})
    set(source ${work}/${layer}_includes_${target}.cpp)
    file(WRITE ${source} "#include \"${header_${target}}\"\n")
    # A layer compiles with its own include root and those of the layers it links.
    set(flags "")
    foreach(below ${sees_${layer}})
      list(APPEND flags -I${ROOTS}/corvane_${below})
    endforeach()
    execute_process(
      COMMAND ${COMPILER} -std=c++20 -fsyntax-only -isystem /usr/include/libpng16 ${flags}
              ${source}
      RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
    list(FIND sees_${layer} ${target} allowed)
    if(allowed GREATER -1 AND NOT status EQUAL 0)
      list(APPEND failures "${layer}/ cannot include ${header_${target}}")
    elseif(allowed EQUAL -1 AND status EQUAL 0)
      list(APPEND failures "${layer}/ can include ${header_${target}}, a layer above it")
    endif()
  endforeach()
endforeach()
if(failures)
  message(FATAL_ERROR "layering: ${failures}")
endif()
message(STATUS "layering: every layer sees itself and the layers below it, and nothing above")
