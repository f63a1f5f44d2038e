# The release archive: one self-contained program folder that a user unpacks anywhere and starts with
# qingjianlu.sh. Qt 6, SQLCipher and libsodium are the system's own (Debian packages, listed in the README
# and in FIRST-RUN.txt); the folder holds only what this project builds.
#
#   cmake --build <dir> && (cd <dir> && cpack)   ->   <dir>/qingjianlu-<version>-Linux-<arch>.tar.gz

# Everything lies flat in one folder. The program loads libupdate by its path beside itself anyway; the
# run path lets the loader find anything else placed there too.
set_target_properties(qingjianlu mkdiarydb qingjianlu-data update PROPERTIES INSTALL_RPATH "$ORIGIN")

if(WIN32)
    # The program file itself shows the icon in Explorer and on the task bar.
    target_sources(qingjianlu PRIVATE resources/qingjianlu.rc)
endif()

install(TARGETS qingjianlu mkdiarydb qingjianlu-data RUNTIME DESTINATION .)
install(TARGETS update LIBRARY DESTINATION . RUNTIME DESTINATION .)
install(FILES resources/qingjianlu.desktop resources/release/FIRST-RUN.txt DESTINATION .)
if(UNIX)
    # The launcher makes data.mdb at the first start; the other script adds the program to the menu.
    install(PROGRAMS resources/release/qingjianlu.sh resources/release/install-desktop-entry.sh DESTINATION .)
endif()
set(_qjl_icon_files resources/icons/qingjianlu.svg)
foreach(_size 16 24 32 48 64 128 256)
    list(APPEND _qjl_icon_files resources/icons/qingjianlu-${_size}.png)
endforeach()
install(FILES ${_qjl_icon_files} DESTINATION icons)

set(CPACK_GENERATOR TGZ)
set(CPACK_PACKAGE_NAME qingjianlu)
set(CPACK_PACKAGE_VENDOR "Qingjianlu")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "青简录 Qingjianlu, a Chinese desktop diary in one encrypted file")
set(CPACK_SYSTEM_NAME "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}")
# The archive unpacks into one folder named like the archive.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# Debug information stays in the build tree; users get lean binaries.
set(CPACK_STRIP_FILES ON)
# Only the binary archive is made; no source archive of the working tree and its build folders.
set(CPACK_SOURCE_GENERATOR "")
include(CPack)
