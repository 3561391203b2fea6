# The two commands of the quick start: `make run` and `make test`.
BUILD    ?= build/release
TEST     ?= build/test
BENCH    ?= build/bench
PACKAGE  ?= build/package
ASAN     ?= build/asan
FUZZ     ?= build/fuzz
MINGW    ?= build/mingw
FUZZ_SECONDS ?= 30
JOBS     ?= $(shell nproc)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")
# Warnings are errors wherever the project builds itself for its tests.
WERROR   := -DOSTRANE_WERROR=ON

.PHONY: all run test test-release test-sanitized test-fuzz test-windows bench bench-build bench-windows \
	deps deps-test deps-package deps-windows build build-windows package package-windows format clean

all: build

deps:
	@scripts/install-deps run

deps-test:
	@scripts/install-deps test

deps-package:
	@scripts/install-deps package

deps-windows:
	@scripts/install-deps windows

# The program and its tools, as a user builds them: no tests, warnings stay warnings.
build: deps
	cmake -S . -B $(BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run $(BUILD)

test: test-release test-sanitized test-fuzz test-windows

# Release (-O3) with warnings as errors: every Linux test, the package's included.
test-release: deps-test
	cmake -S . -B $(TEST) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release $(WERROR)
	cmake --build $(TEST) -j $(JOBS)
	cd $(TEST) && ctest --output-on-failure -j $(JOBS)

# Built with clang++, so that every build stays clean under both compilers.
test-sanitized: deps-test
	cmake -S . -B $(ASAN) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug -DOSTRANE_SANITIZE=ON \
		-DCMAKE_CXX_COMPILER=clang++ $(WERROR)
	cmake --build $(ASAN) -j $(JOBS)
	cd $(ASAN) && ctest --output-on-failure -j $(JOBS) -L 'unit|widget'

test-fuzz: deps-test
	cmake -S . -B $(FUZZ) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DOSTRANE_FUZZ_ONLY=ON -DCMAKE_CXX_COMPILER=clang++ $(WERROR)
	cmake --build $(FUZZ) -j $(JOBS)
	tests/fuzz/run $(FUZZ)/bin/request_parser_fuzzer $$(( ($(FUZZ_SECONDS) + 1) / 2 ))
	tests/fuzz/run $(FUZZ)/bin/song_tags_fuzzer $$(( ($(FUZZ_SECONDS) + 1) / 2 ))

# The Debian package, built as Debian builds packages: build type None with the flags of
# dpkg-buildflags (all of its hardening), without the tests.
package: export DEB_BUILD_MAINT_OPTIONS = hardening=+all
package: deps-package
	cmake -S . -B $(PACKAGE) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF \
		-DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CXXFLAGS) $$(dpkg-buildflags --get CPPFLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)"
	cmake --build $(PACKAGE) -j $(JOBS) --target package

# The Windows program, cross-built with MinGW-w64 (build/mingw/bin/corvissa.exe) with the
# installer beside it; its tests run under Wine.
build-windows: deps-windows
	cmake -S windows -B $(MINGW) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake $(WERROR)
	cmake --build $(MINGW) -j $(JOBS)

package-windows: build-windows
	cmake --build $(MINGW) --target installer
	@ls $(MINGW)/corvissa-*-win64.exe

test-windows: build-windows
	cd $(MINGW) && ctest --output-on-failure -j $(JOBS) -L windows

bench-windows: build-windows bench-build
	@scripts/bench-windows $(MINGW) $(BENCH)

# The benchmarks and the fakes they measure against are built with the tests, in Release.
bench-build: deps-test
	cmake -S . -B $(BENCH) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Release
	cmake --build $(BENCH) -j $(JOBS)

bench: bench-build
	@scripts/bench $(BENCH)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
