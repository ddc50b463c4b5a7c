# Warnings are errors on our own targets only; third-party headers are included as system headers.
function(corvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
