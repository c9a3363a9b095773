# Warnings are errors on our own targets only; third-party code (GoogleTest) keeps its own flags.
function(norvessa_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror -Wshadow -Wconversion
                                             -Wno-sign-conversion
                                             -Wno-missing-field-initializers)
endfunction()
