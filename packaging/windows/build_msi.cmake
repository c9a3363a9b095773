# SPDX-License-Identifier: MIT
# Run by CPack once the files are staged and before the archive is made: builds
# <package file name>.msi from the same staged files into the package directory.
if(NOT CPACK_NORVESSA_WIXL)
    message(FATAL_ERROR "wixl (Debian package wixl, from msitools) is needed for the .msi")
endif()

# With the top-level directory included, the files sit one folder down.
set(stage "${CPACK_TEMPORARY_DIRECTORY}")
if(NOT EXISTS "${stage}/norvessa.exe" AND EXISTS "${stage}/${CPACK_PACKAGE_FILE_NAME}/norvessa.exe")
    set(stage "${stage}/${CPACK_PACKAGE_FILE_NAME}")
endif()
foreach(file norvessa.exe README.txt LICENSE)
    if(NOT EXISTS "${stage}/${file}")
        message(FATAL_ERROR "${file} is not among the staged files in ${stage}")
    endif()
endforeach()

# wixl takes source paths relative to its working directory only, so everything it reads is
# gathered in one folder beside the stage, where the archive does not look.
set(work "${CPACK_TOPLEVEL_DIRECTORY}/msi")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}/files")
file(COPY "${stage}/norvessa.exe" "${stage}/README.txt" "${stage}/LICENSE"
     DESTINATION "${work}/files")
file(COPY "${CPACK_NORVESSA_ICON}" DESTINATION "${work}")
get_filename_component(icon "${CPACK_NORVESSA_ICON}" NAME)

set(msi "${CPACK_PACKAGE_DIRECTORY}/${CPACK_PACKAGE_FILE_NAME}.msi")
file(MAKE_DIRECTORY "${CPACK_PACKAGE_DIRECTORY}")
execute_process(
    COMMAND "${CPACK_NORVESSA_WIXL}" --arch x64 -D "Version=${CPACK_NORVESSA_MSI_VERSION}"
            -D SourceDir=files -D "IconFile=${icon}" -o "${msi}" "${CPACK_NORVESSA_WXS}"
    WORKING_DIRECTORY "${work}"
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    file(REMOVE "${msi}")
    message(FATAL_ERROR "wixl failed (${result})")
endif()
message(STATUS "CPack: - package: ${msi} generated.")
