# add_ostrane_test(NAME LABEL label SOURCES file... [LIBRARIES lib...] [WIDGETS])
#
# One GoogleTest executable, registered with ctest under its label. WIDGETS tests get a
# QApplication and run on Qt's offscreen platform. Every test gets a private runtime
# folder, so the conversations of one test never reach the peer of another.
function(add_ostrane_test name)
    cmake_parse_arguments(ARG "WIDGETS" "LABEL" "SOURCES;LIBRARIES" ${ARGN})
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
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/tests/with-private-runtime
                                  $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES LABELS ${ARG_LABEL} TIMEOUT 300
                         ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
