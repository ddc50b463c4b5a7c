# Warnings are errors on our own targets only; third-party headers are included as system headers.
function(corvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  # GCC 12 reports impossible overlaps inside std::string's own inlined copies at -O2/-O3
  # (GCC bug 105329) and "maybe uninitialized" storage inside std::variant and
  # std::optional after inlining (GCC bug 105593 and relatives); both warnings stay on,
  # but cannot fail an optimised build.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12)
    target_compile_options(${target} PRIVATE -Wno-error=restrict -Wno-error=maybe-uninitialized)
  endif()
endfunction()
