# velmora_add_test(<name> SOURCES <files...> LIBS <targets...> [GUI] [TIMEOUT <s>])
# One executable per unit. GUI tests run on the offscreen platform so that no
# display is needed; every test gets its own temporary HOME and registry
# directory so that nothing leaks between tests or into the user's files.
function(velmora_add_test name)
    cmake_parse_arguments(ARG "GUI" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE Qt5::Test ${ARG_LIBS})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 120)
    endif()
    set(env "QT_QPA_PLATFORM=offscreen")
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT} ENVIRONMENT "${env}")
endfunction()
