# Warnings are on for our own targets and must stay clean.
function(ventrel_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    -Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual -Wnull-dereference)
  if(VENTREL_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
