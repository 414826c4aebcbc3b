# Every target of the project builds with the same strict warnings.
function(zbn_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror -Wshadow
                                           -Wconversion -Wsign-conversion -Wnon-virtual-dtor)
endfunction()
