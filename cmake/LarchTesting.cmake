# larch_add_test(NAME name SOURCES a.cpp ... LIBRARIES lib ... [ENVIRONMENT VAR=value ...])
#
# One QtTest executable per concern. Every test runs headless, in a fixed non-UTC zone so that
# local/UTC mix-ups fail, and with HOME and the XDG folders pointed at a throwaway folder so a
# test can never touch the real home folder.
function(larch_add_test)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBRARIES;ENVIRONMENT" ${ARGN})
    find_package(Qt6 REQUIRED COMPONENTS Test)
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    target_link_libraries(${ARG_NAME} PRIVATE Qt6::Test ${ARG_LIBRARIES})
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    set(home ${CMAKE_BINARY_DIR}/test-home/${ARG_NAME})
    file(MAKE_DIRECTORY ${home})
    set_tests_properties(${ARG_NAME} PROPERTIES
        TIMEOUT 300
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_DISABLE_SANDBOX=1;TZ=Asia/Shanghai;LANG=C.UTF-8;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_CACHE_HOME=${home}/cache;XDG_RUNTIME_DIR=${home}/runtime;${ARG_ENVIRONMENT}")
endfunction()
