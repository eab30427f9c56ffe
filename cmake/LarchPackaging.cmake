# The Debian package, made by `cpack -G DEB` in the build folder (scripts/package.sh does it).
#
# Its dependencies are never listed by hand:
#   - dpkg-shlibdeps reads what the installed executables link against (Qt, QCoro's libraries if
#     any, the C++ runtime);
#   - cmake/LarchDebianDepends.cmake adds the packages holding what Qt loads by name at run time
#     and nothing links against: the QML modules the interface imports (found by qmlimportscanner
#     in the QML files under src/), the plugins and WebEngine's helper process below, and, as
#     recommendations, Qt's Chinese translations and the interface font.
# The test packaging_dependencies checks that every package so derived is one that
# scripts/packages.txt installs, so a developer's machine runs what the package will run.

set(LARCH_PACKAGE_MAINTAINER "Larch Notes maintainers <maintainers@larchnotes.invalid>" CACHE STRING
    "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME larch-notes)
set(CPACK_PACKAGE_VENDOR "Larch Notes")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${LARCH_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Memos and Markdown articles kept as plain files in a folder you choose")
set(CPACK_PACKAGE_DESCRIPTION
    "Larch Notes keeps notes as plain Markdown files in one folder, the vault: short timestamped
memos in one journal file per day, with follow-ups, tags, images and a daily todo list, and
articles in a folder tree, edited with tabs, an outline and autosave. The interface is in
Chinese.

The package holds the application larch-notes and its command-line companion larch, which
works on the same vault from a shell or a script.")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/LarchDebianDepends.cmake)

# What LarchDebianDepends.cmake works from.
set(CPACK_LARCH_PROGRAMS)
foreach(program larch-notes larch)
    if(TARGET ${program})
        get_target_property(folder ${program} BINARY_DIR)
        list(APPEND CPACK_LARCH_PROGRAMS ${folder}/${program})
    endif()
endforeach()
find_program(LARCH_QMLIMPORTSCANNER qmlimportscanner
    HINTS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_LIBEXECS} NO_DEFAULT_PATH)
set(CPACK_LARCH_QMLIMPORTSCANNER ${LARCH_QMLIMPORTSCANNER})
set(CPACK_LARCH_QML_IMPORT_DIR ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_QML})
set(CPACK_LARCH_QML_SOURCE_DIR ${PROJECT_SOURCE_DIR}/src)
set(qt_plugins ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
set(CPACK_LARCH_RUNTIME_FILES
    ${qt_plugins}/platforms/libqxcb.so          # the window on X11 and XWayland
    ${qt_plugins}/imageformats/libqsvg.so       # the interface's SVG symbols
    ${qt_plugins}/iconengines/libqsvgicon.so)   # the SVG window icon
if(TARGET larch_editor)
    # The editor page runs in WebEngine's own process.
    list(APPEND CPACK_LARCH_RUNTIME_FILES ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_LIBEXECS}/QtWebEngineProcess)
endif()
# Loaded by configureApplication(): the Chinese texts of Qt's own dialogs.
set(CPACK_LARCH_RECOMMENDED_FILES ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_TRANSLATIONS}/qt_zh_CN.qm)
set(CPACK_LARCH_RECOMMENDED_FONT "Noto Sans CJK SC")

include(CPack)
