#pragma once

#include <string>

// A small test runner for the Windows executables, which run under Wine where no test
// framework is at hand. Each test prints a RUN line and a PASS or FAIL line; the run ends
// with "N passed, N failed" and exits non-zero when any test failed.
namespace ostrane::wintest {

using TestFunction = void (*)();

bool registerTest(const char* name, TestFunction function);
// Records a failed check of the running test; the test goes on.
void fail(const std::string& what, const char* file, int line);

} // namespace ostrane::wintest

#define WIN_TEST(name)                                                                             \
    static void name();                                                                            \
    [[maybe_unused]] static const bool name##Registered =                                          \
        ostrane::wintest::registerTest(#name, name);                                               \
    static void name()

#define WIN_CHECK(condition)                                                                       \
    ((condition) ? void() : ostrane::wintest::fail(#condition, __FILE__, __LINE__))

// Stops the running test at a failed check whose failure makes the rest meaningless.
#define WIN_REQUIRE(condition)                                                                     \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ostrane::wintest::fail(#condition, __FILE__, __LINE__);                                \
            return;                                                                                \
        }                                                                                          \
    } while (false)

#define WIN_CHECK_EQ(actual, expected)                                                             \
    (((actual) == (expected))                                                                      \
         ? void()                                                                                  \
         : ostrane::wintest::fail(std::string(#actual " == " #expected ", got \"") +               \
                                      std::string(actual) + "\"",                                  \
                                  __FILE__, __LINE__))
