#include "wintest.h"

#include <cstdio>
#include <exception>
#include <utility>
#include <vector>

namespace ostrane::wintest {

namespace {

std::vector<std::pair<const char*, TestFunction>>& tests() {
    static std::vector<std::pair<const char*, TestFunction>> all;
    return all;
}

int failedChecks = 0;

} // namespace

bool registerTest(const char* name, TestFunction function) {
    tests().emplace_back(name, function);
    return true;
}

void fail(const std::string& what, const char* file, int line) {
    ++failedChecks;
    std::printf("  %s:%d: check failed: %s\n", file, line, what.c_str());
    std::fflush(stdout);
}

} // namespace ostrane::wintest

int main() {
    using namespace ostrane::wintest;
    int passed = 0;
    int failed = 0;
    for (const auto& [name, function] : tests()) {
        std::printf("[ RUN  ] %s\n", name);
        std::fflush(stdout);
        const int before = failedChecks;
        try {
            function();
        } catch (const std::exception& error) {
            fail(std::string("exception: ") + error.what(), name, 0);
        }
        const bool ok = failedChecks == before;
        std::printf("[ %s ] %s\n", ok ? "PASS" : "FAIL", name);
        std::fflush(stdout);
        ++(ok ? passed : failed);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
