# Adds to the Debian package the dependencies that dpkg-shlibdeps cannot see, because Qt loads
# them by name at run time rather than through linking:
#   - Depends: the QML modules the interface imports, directly or through other modules
#     (qmlimportscanner over every QML file under src/, so a new view's imports count at once),
#     and the packages holding CPACK_LARCH_RUNTIME_FILES (plugins, WebEngine's helper process);
#   - Recommends: the packages holding CPACK_LARCH_RECOMMENDED_FILES and the interface font.
# Packages that the programs' linked libraries already bring are left to dpkg-shlibdeps.
# Each file is mapped to the package that holds it with dpkg-query -S on the machine that makes
# the package, so the names are that distribution's own and cannot go stale.
#
# cpack includes this file (CPACK_PROJECT_CONFIG_FILE). To check the result without making a
# package (the test packaging_dependencies does):
#   cmake -DLARCH_CPACK_CONFIG=<build>/CPackConfig.cmake \
#         -DLARCH_CHECK_AGAINST=scripts/packages.txt -P cmake/LarchDebianDepends.cmake
# which fails unless every derived package is in that list.

cmake_policy(VERSION 3.25)
if(DEFINED LARCH_CPACK_CONFIG)
    include(${LARCH_CPACK_CONFIG})
endif()

# The packages that hold the files, in order, each once. Unless LENIENT, every file must be
# held by one.
function(larch_packages_holding out)
    cmake_parse_arguments(ARG "LENIENT" "" "" ${ARGN})
    execute_process(
        COMMAND dpkg-query -S ${ARG_UNPARSED_ARGUMENTS}
        OUTPUT_VARIABLE owners ERROR_VARIABLE errors RESULT_VARIABLE status)
    if(NOT status EQUAL 0 AND NOT ARG_LENIENT)
        message(FATAL_ERROR "No installed package holds some of these files:\n${errors}")
    endif()
    string(REPLACE "\n" ";" lines "${owners}")
    set(packages)
    foreach(line IN LISTS lines)
        # "package:arch: /path" or, for a shared folder, "a:arch, b:arch: /path".
        string(FIND "${line}" ": /" end)
        if(end LESS 0)
            continue()
        endif()
        string(SUBSTRING "${line}" 0 ${end} names)
        string(REPLACE ", " ";" names "${names}")
        list(GET names 0 first)
        string(REGEX REPLACE ":[^:]*$" "" first "${first}")
        list(APPEND packages ${first})
    endforeach()
    list(REMOVE_DUPLICATES packages)
    set(${out} ${packages} PARENT_SCOPE)
endfunction()

# The qmldir files of every Qt QML module the interface needs.
function(larch_imported_qml_modules out)
    # Imports written in our own QML files must all be installed here.
    file(GLOB_RECURSE sources ${CPACK_LARCH_QML_SOURCE_DIR}/*.qml)
    set(direct)
    foreach(source IN LISTS sources)
        file(STRINGS ${source} imports REGEX "^[ \t]*import[ \t]+[A-Za-z]")
        foreach(line IN LISTS imports)
            string(REGEX REPLACE "^[ \t]*import[ \t]+([A-Za-z0-9_.]+).*" "\\1" name "${line}")
            list(APPEND direct ${name})
        endforeach()
    endforeach()

    execute_process(
        COMMAND ${CPACK_LARCH_QMLIMPORTSCANNER} -rootPath ${CPACK_LARCH_QML_SOURCE_DIR}
                -importPath ${CPACK_LARCH_QML_IMPORT_DIR}
        OUTPUT_VARIABLE json ERROR_QUIET RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "qmlimportscanner failed (${status})")
    endif()
    string(JSON count LENGTH "${json}")
    math(EXPR last "${count} - 1")
    set(qmldirs)
    set(missing)
    foreach(index RANGE ${last})
        string(JSON type GET "${json}" ${index} type)
        string(JSON name GET "${json}" ${index} name)
        if(NOT type STREQUAL "module" OR name MATCHES "^LarchNotes(\\.|$)")
            continue() # our own modules are compiled into the program
        endif()
        string(JSON path ERROR_VARIABLE absent GET "${json}" ${index} path)
        if(NOT absent AND EXISTS "${path}/qmldir")
            list(APPEND qmldirs "${path}/qmldir")
        elseif(name IN_LIST direct)
            list(APPEND missing ${name})
        endif()
        # A module that only another module imports and that is not installed is one of Qt's
        # optional imports (the control styles of other platforms): not needed.
    endforeach()
    if(missing)
        message(FATAL_ERROR "The interface imports QML modules that are not installed: ${missing}")
    endif()
    set(${out} ${qmldirs} PARENT_SCOPE)
endfunction()

function(larch_font_file out family)
    execute_process(
        COMMAND fc-list -f "%{file}\n" ":family=${family}"
        OUTPUT_VARIABLE files OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT files)
        message(FATAL_ERROR "The font \"${family}\" is not installed")
    endif()
    string(REPLACE "\n" ";" files "${files}")
    list(SORT files)
    list(GET files 0 first)
    set(${out} ${first} PARENT_SCOPE)
endfunction()

# The packages of the libraries the programs load at start: dpkg-shlibdeps names them (with
# their versions) or they come with the ones it names, so they are not repeated.
function(larch_linked_packages out)
    execute_process(COMMAND ldd ${CPACK_LARCH_PROGRAMS} OUTPUT_VARIABLE linked)
    string(REGEX MATCHALL "=> /[^ ]+" libraries "${linked}")
    set(files)
    foreach(library IN LISTS libraries)
        string(SUBSTRING "${library}" 3 -1 library)
        file(REAL_PATH "${library}" library)
        # With /lib merged into /usr/lib, dpkg may know a library by either path.
        string(REGEX REPLACE "^/usr/" "/" unmerged "${library}")
        list(APPEND files ${library} ${unmerged})
    endforeach()
    list(REMOVE_DUPLICATES files)
    larch_packages_holding(packages LENIENT ${files})
    set(${out} ${packages} PARENT_SCOPE)
endfunction()

larch_imported_qml_modules(qmldirs)
larch_packages_holding(depends ${qmldirs} ${CPACK_LARCH_RUNTIME_FILES})
larch_linked_packages(linked)
list(REMOVE_ITEM depends ${linked})
larch_font_file(font "${CPACK_LARCH_RECOMMENDED_FONT}")
larch_packages_holding(recommends ${CPACK_LARCH_RECOMMENDED_FILES} ${font})
list(REMOVE_ITEM recommends ${depends})
list(JOIN depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
list(JOIN recommends ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)

if(DEFINED LARCH_CHECK_AGAINST)
    # A machine set up from the list has every derived package: listed, or pulled in by one
    # that is (the -dev packages bring the libraries).
    file(STRINGS ${LARCH_CHECK_AGAINST} listed REGEX "^[^#]")
    execute_process(
        COMMAND apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts
                --no-breaks --no-replaces --no-enhances ${listed}
        OUTPUT_VARIABLE closure ERROR_QUIET RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "apt-cache cannot read the dependencies of ${LARCH_CHECK_AGAINST}")
    endif()
    # Package names start a line; their dependencies are indented below them.
    string(REPLACE "\n" ";" lines "${closure}")
    set(names)
    foreach(line IN LISTS lines)
        if(line MATCHES "^[a-z0-9]")
            list(APPEND names ${line})
        endif()
    endforeach()
    set(unlisted)
    foreach(package IN LISTS depends recommends)
        if(NOT package IN_LIST names)
            list(APPEND unlisted ${package})
        endif()
    endforeach()
    message(STATUS "Depends (besides what dpkg-shlibdeps finds): ${CPACK_DEBIAN_PACKAGE_DEPENDS}")
    message(STATUS "Recommends: ${CPACK_DEBIAN_PACKAGE_RECOMMENDS}")
    if(unlisted)
        list(JOIN unlisted " " unlisted)
        message(FATAL_ERROR "The package needs what ${LARCH_CHECK_AGAINST} does not install: "
                            "${unlisted}")
    endif()
endif()
