# velmora_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI] [TIMEOUT <s>])
# One executable per unit, linked with the test support library
# (velmora_testsupport: ScriptedPrompt and friends). GUI tests run on the offscreen platform so that no
# display is needed; every test gets a device registry of its own in the
# build tree, so simulated devices a test announces never reach the user's
# device list or another test's (tests that announce devices may still set
# their own).
function(velmora_add_test name)
    cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt::Test velmora_testsupport ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    # Every window a test builds runs the start-up update check; it goes to a
    # port on 127.0.0.1 where nothing listens, never to the maker's server.
    set(env "QT_QPA_PLATFORM=offscreen"
            "VELMORA_UPDATE_SERVER=https://127.0.0.1:9"
            "VELMORA_DEVICE_REGISTRY=${CMAKE_BINARY_DIR}/test-registry/${name}")
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}")
    # Suites without widgets carry the label "core" and hang off the target
    # velmora_core_tests, so a second build (the other Qt, no simulator) can
    # build and run just them.
    if(NOT ARG_GUI)
        set_property(TEST ${name} APPEND PROPERTY LABELS core)
        if(NOT TARGET velmora_core_tests)
            add_custom_target(velmora_core_tests)
        endif()
        add_dependencies(velmora_core_tests ${name})
    endif()
endfunction()
