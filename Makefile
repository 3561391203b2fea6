# The two commands of the quick start: `make run` and `make test`.
BUILD    ?= build/release
ASAN     ?= build/asan
FUZZ     ?= build/fuzz
MINGW    ?= build/mingw
FUZZ_SECONDS ?= 30
JOBS     ?= $(shell nproc)
GENERATOR := $(shell command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles")

.PHONY: all run test test-release test-sanitized test-fuzz test-windows bench bench-windows \
	deps build build-windows package-windows format clean

all: build

deps:
	@scripts/install-deps

build: deps
	cmake -S . -B $(BUILD) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@scripts/run $(BUILD)

test: deps test-release test-sanitized test-fuzz test-windows

test-release: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-sanitized: deps
	cmake -S . -B $(ASAN) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=Debug -DOSTRANE_SANITIZE=ON
	cmake --build $(ASAN) -j $(JOBS)
	cd $(ASAN) && ctest --output-on-failure -j $(JOBS) -L 'unit|widget'

test-fuzz: deps
	cmake -S . -B $(FUZZ) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DOSTRANE_FUZZ_ONLY=ON -DCMAKE_CXX_COMPILER=clang++
	cmake --build $(FUZZ) -j $(JOBS)
	tests/fuzz/run $(FUZZ)/bin/request_parser_fuzzer $(FUZZ_SECONDS)

# The Windows program, cross-built with MinGW-w64 (build/mingw/bin/corvissa.exe) with the
# installer beside it; its tests run under Wine.
build-windows: deps
	cmake -S windows -B $(MINGW) -G "$(GENERATOR)" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64.cmake
	cmake --build $(MINGW) -j $(JOBS)

package-windows: build-windows
	cmake --build $(MINGW) --target installer
	@echo "installer: $(MINGW)/corvissa-1.06-win64.exe"

test-windows: build-windows
	cd $(MINGW) && ctest --output-on-failure -j $(JOBS) -L windows

bench-windows: build-windows
	@scripts/bench-windows $(MINGW) $(BUILD)

bench: build
	@scripts/bench $(BUILD)

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf build
