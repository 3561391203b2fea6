# add_ostrane_test(NAME LABEL label SOURCES file... [LIBRARIES lib...] [WIDGETS] [SESSION_BUS]
#                  [ROOT_ONLY gtest-pattern])
#
# One GoogleTest executable, registered with ctest under its label. WIDGETS tests get a
# QApplication and run on Qt's offscreen platform. Every test gets a private runtime
# folder, so the conversations of one test never reach the peer of another; SESSION_BUS
# tests also get a D-Bus session bus of their own and a private home. The cases that
# ROOT_ONLY names (they become another user) are a ctest entry of their own, NAME_as_root,
# which ctest reports as skipped when they skip for want of root.
function(add_ostrane_test name)
    cmake_parse_arguments(ARG "WIDGETS;SESSION_BUS" "LABEL;ROOT_ONLY" "SOURCES;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest)
    if(ARG_WIDGETS)
        target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/qtmain.cpp)
        target_link_libraries(${name} PRIVATE ostrane_qt Qt6::Widgets Qt6::Test)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    target_compile_definitions(${name} PRIVATE
        OSTRANE_LINK_PEER="$<TARGET_FILE:corvissa-link-peer>")
    set(wrapper ${PROJECT_SOURCE_DIR}/tests/with-private-runtime)
    if(ARG_SESSION_BUS)
        set(wrapper ${PROJECT_SOURCE_DIR}/tests/with-private-bus)
    endif()
    if(ARG_ROOT_ONLY)
        add_test(NAME ${name} COMMAND ${wrapper} $<TARGET_FILE:${name}>
                 --gtest_filter=-${ARG_ROOT_ONLY})
        add_test(NAME ${name}_as_root COMMAND ${wrapper} $<TARGET_FILE:${name}>
                 --gtest_filter=${ARG_ROOT_ONLY})
        set_tests_properties(${name}_as_root PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 300
                             SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
    else()
        add_test(NAME ${name} COMMAND ${wrapper} $<TARGET_FILE:${name}>)
    endif()
    set_tests_properties(${name} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 300
                         ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
