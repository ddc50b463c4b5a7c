# Warnings are errors on our own targets only; third-party headers are included as system headers.
# No warning is exempt, in any build: a newcomer's first build prints none. GCC 12 reports
# false overlaps (-Wrestrict, GCC bug 105329) where an optimised build inlines a string
# built by inserting in front of a temporary ("[" + Name() + "]") or assigned from a
# literal, and unset storage (-Wmaybe-uninitialized) where a temporary std::variant or
# std::optional is moved or destroyed on only one path; such code builds the string by
# appending (JoinTexts) or the value in place (emplace_back) instead.
function(corvane_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()
