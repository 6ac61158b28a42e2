# Compile settings shared by every Vellumix target: strict Qt, warnings as errors.
function(vellumix_target target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wno-missing-field-initializers
                                             # C++ only: the generated Wayland protocol code is C.
                                             $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Wold-style-cast -Woverloaded-virtual>)
    if(VELLUMIX_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
    target_compile_definitions(${target} PRIVATE
        QT_NO_CAST_FROM_ASCII
        QT_NO_CAST_TO_ASCII
        QT_NO_URL_CAST_FROM_STRING
        QT_NO_CAST_FROM_BYTEARRAY
        QT_USE_QSTRINGBUILDER
        QT_NO_KEYWORDS
        QT_NO_FOREACH
        QT_DISABLE_DEPRECATED_UP_TO=0x060400)
endfunction()

# One Qt Test executable registered with CTest, with its own HOME and XDG folders so that nothing
# touches the user's files. LABELS sort the suites (unit, pdf, slow, x11; unit when none is given)
# so that ctest -L runs a group alone. Without a LAUNCHER the suite runs on Qt's offscreen
# platform; a LAUNCHER (tests/xvfb-run.sh, dbus-run-session, ...) prepares its own session.
function(vellumix_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV;LABELS;LAUNCHER" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    vellumix_target(${name})
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${ARG_LAUNCHER} $<TARGET_FILE:${name}>)
    set(home "${CMAKE_BINARY_DIR}/test-home/${name}")
    # A session bus address that leads nowhere, so no suite reaches the user's own bus; suites that
    # need one get a private bus from their LAUNCHER (dbus-run-session), which overrides it.
    set(environment "HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_CACHE_HOME=${home}/cache;LC_ALL=C.UTF-8;DBUS_SESSION_BUS_ADDRESS=unix:path=${home}/no-session-bus")
    if(NOT ARG_LAUNCHER)
        list(PREPEND environment "QT_QPA_PLATFORM=offscreen")
    endif()
    if(NOT ARG_LABELS)
        set(ARG_LABELS unit)
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment};${ARG_ENV}" LABELS "${ARG_LABELS}")
endfunction()
