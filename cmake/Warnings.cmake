# Our own targets always get the warning flags. Whether warnings are errors is the builder's
# choice: CMAKE_COMPILE_WARNING_AS_ERROR, ON in every preset and off in a plain configure (a
# packager's build with a newer compiler must not fail on a warning that compiler adds).
# CMake would hand it to every target made later, GoogleTest's too, so it is read here,
# hidden behind an OFF for the rest, and given to our own targets only.
set(NORVESSA_WARNINGS_AS_ERRORS ${CMAKE_COMPILE_WARNING_AS_ERROR})
set(CMAKE_COMPILE_WARNING_AS_ERROR OFF)

function(norvessa_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wconversion
                                             -Wno-sign-conversion
                                             -Wno-missing-field-initializers)
    if(NORVESSA_WARNINGS_AS_ERRORS)
        set_target_properties(${target} PROPERTIES COMPILE_WARNING_AS_ERROR ON)
    endif()
endfunction()
