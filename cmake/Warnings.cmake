# Warnings are errors in every build of our own code.
function(kardoskop_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
    -Wno-sign-conversion -Werror)
endfunction()
