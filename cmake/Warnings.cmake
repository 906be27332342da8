# Warnings are on for every target of ours and kept clean.
function(p42r_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Woverloaded-virtual -Wnull-dereference
    -Wimplicit-fallthrough -Werror=return-type)
  if(P42R_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
option(P42R_WERROR "Treat warnings as errors" OFF)
