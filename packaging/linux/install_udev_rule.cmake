# Run by cmake --install: writes 70-norvessa.rules with the probe's path under the prefix in
# use, and installs it.
function(norvessa_under_prefix path out)
    if(IS_ABSOLUTE "${path}")
        set(${out} "${path}" PARENT_SCOPE)
    else()
        set(${out} "${CMAKE_INSTALL_PREFIX}/${path}" PARENT_SCOPE)
    endif()
endfunction()

norvessa_under_prefix("${NORVESSA_LIBEXECDIR}" libexec)
norvessa_under_prefix("${NORVESSA_UDEV_RULES_DIR}" rules_dir)
set(NORVESSA_PROBE_INSTALL_PATH "${libexec}/norvessa/norvessa-probe")
configure_file("${NORVESSA_RULE_TEMPLATE}" "${NORVESSA_RULE_STAGING}/70-norvessa.rules" @ONLY)
file(INSTALL DESTINATION "${rules_dir}" TYPE FILE FILES "${NORVESSA_RULE_STAGING}/70-norvessa.rules")
