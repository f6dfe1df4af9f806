# Warnings are errors in every target of ours: the tree stays at zero warnings on both compilers.
function(zan_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow -Wformat=2)
endfunction()
