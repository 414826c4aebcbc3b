# Every target of the project builds with the same strict warnings. They stop the
# build only where we ask for it (our presets and CI): a distribution's compiler
# may warn where ours does not, and that must not keep anyone from building.
option(ZBN_WARNINGS_AS_ERRORS "Treat compiler warnings as errors" OFF)

function(zbn_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
                                           -Wconversion -Wsign-conversion -Wnon-virtual-dtor)
  # GCC 12 at -O3 takes std::string's inserting operator+ ("x" + s) for an
  # overlapping copy; the warning is false there, and off.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(ZBN_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
