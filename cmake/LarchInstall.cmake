# Where an installed Larch Notes keeps its files, and the helpers of the install rules.
#
#   bin/larch-notes, bin/larch
#   share/larch-notes/             run-time files (the editor page), found relative to the
#                                  executable, so the same build runs from any prefix
#   share/applications, share/metainfo, share/icons/hicolor/scalable/apps
#   share/man/man1, share/bash-completion/completions
#
# QML modules are static libraries compiled into the executables together with their QML files
# and resources, so a module added under src/ installs with the executable and needs no rule.
include(GNUInstallDirs)

# The application's id: the name of its .desktop file, AppStream file and icon, and the app id
# that Wayland compositors match against the .desktop file.
set(LARCH_APP_ID org.larchnotes.LarchNotes)

set(LARCH_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/larch-notes)
# The same folder as seen from the executables' folder.
file(RELATIVE_PATH LARCH_DATADIR_FROM_BINDIR
    ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_DATADIR}/larch-notes)

find_program(LARCH_GZIP_EXECUTABLE gzip REQUIRED)

# larch_install_manual_page(TARGET target PAGE file [DEPENDS ...])
# Compresses a section-1 manual page as Debian wants it (gzip -9n, so the bytes do not depend
# on the time of the build) and installs it.
function(larch_install_manual_page)
    cmake_parse_arguments(ARG "" "TARGET;PAGE" "DEPENDS" ${ARGN})
    get_filename_component(name ${ARG_PAGE} NAME)
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/man/${name})
    add_custom_command(
        OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
        COMMAND ${CMAKE_COMMAND} -E copy ${ARG_PAGE} ${copy}
        COMMAND ${LARCH_GZIP_EXECUTABLE} -9 -n -f ${copy}
        DEPENDS ${ARG_PAGE} ${ARG_DEPENDS}
        COMMENT "Compressing the manual page ${name}"
        VERBATIM)
    add_custom_target(${ARG_TARGET} ALL DEPENDS ${copy}.gz)
    install(FILES ${copy}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
