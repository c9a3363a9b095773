# SPDX-License-Identifier: MIT
# Packages of an installation: on Linux a .deb (and a .tar.gz of the same tree) for /usr, on
# Windows a .zip and an .msi with the program, the Windows README and LICENSE. `cmake --build
# --preset X --target package` makes them; the programs in them are stripped whatever the
# build type.
set(CPACK_PACKAGE_NAME norvessa)
set(CPACK_PACKAGE_VENDOR "The Norvessa developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Calibrate a touch screen driven by a USB HID touch controller")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
    # The archive holds the one program (its runtime is linked in), the README written for
    # Windows users (the repository's is about building and testing) and the licence.
    install(TARGETS norvessa RUNTIME DESTINATION .)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/windows/README.txt ${PROJECT_SOURCE_DIR}/LICENSE
            DESTINATION .)
    set(CPACK_GENERATOR ZIP)
    set(CPACK_PACKAGE_FILE_NAME norvessa-${PROJECT_VERSION}-win64)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)

    # The installer is built by wixl from the files staged for the archive, so both carry the
    # same stripped program. Windows Installer takes major.minor.build[.revision] with at most
    # 255, 255 and 65535 in the first three.
    set(msi_version ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
    if(PROJECT_VERSION_PATCH STREQUAL "")
        string(APPEND msi_version .0)
    else()
        string(APPEND msi_version .${PROJECT_VERSION_PATCH})
    endif()
    if(NOT PROJECT_VERSION_TWEAK STREQUAL "")
        string(APPEND msi_version .${PROJECT_VERSION_TWEAK})
    endif()
    if(PROJECT_VERSION_MAJOR GREATER 255 OR PROJECT_VERSION_MINOR GREATER 255
       OR PROJECT_VERSION_PATCH GREATER 65535 OR PROJECT_VERSION_TWEAK GREATER 65535)
        message(FATAL_ERROR "version ${PROJECT_VERSION} does not fit an installer's version")
    endif()
    find_program(NORVESSA_WIXL wixl)
    set(CPACK_NORVESSA_WIXL "${NORVESSA_WIXL}")
    set(CPACK_NORVESSA_MSI_VERSION ${msi_version})
    set(CPACK_NORVESSA_WXS ${PROJECT_SOURCE_DIR}/packaging/windows/norvessa.wxs)
    set(CPACK_NORVESSA_ICON ${PROJECT_SOURCE_DIR}/resources/norvessa.ico)
    set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/windows/build_msi.cmake)
else()
    set(CPACK_GENERATOR DEB TGZ)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
    set(CPACK_DEBIAN_PACKAGE_SECTION utils)
    set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${NORVESSA_PACKAGE_MAINTAINER}")
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Norvessa shows a cross at 4 to 25 targets, one at a time, tells the touch\n"
        "controller where each lies in pixels, and shows the verdict the controller\n"
        "computes. It can also reset the controller's calibration. A udev rule gives\n"
        "the user at the seat access to the controller and to no other HID device.")
    string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
    # Depends from the libraries the programs link, as dpkg-shlibdeps finds them.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # The Wayland platform plugin: without it Qt falls back to XWayland, whose scaling can
    # disagree with the output's mode.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev, qt6-wayland")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/linux/postinst
                                           ${PROJECT_SOURCE_DIR}/packaging/linux/postrm)
    set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
    # The .deb takes Debian's own name; this one names the .tar.gz.
    set(CPACK_PACKAGE_FILE_NAME norvessa-${PROJECT_VERSION}-linux-amd64)
endif()

include(CPack)
