# The two commands a new developer needs:
#   make run    install what running needs and is missing, build, start the program
#   make test   install what the tests also need, build, run every test (also under ASan/UBSan,
#               and the Windows build's under Wine)
# and more for performance work and releases:
#   make bench             build and run the benchmark on a synthetic site
#   make package           the Debian package, in build/packages/
#   make windows-package   the Windows zip and installer, in build-windows/packages/

BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
WINDOWS_BUILD ?= build-windows
FUZZ_SECONDS ?= 20
JOBS       ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE_FLAGS = -DCMAKE_BUILD_TYPE=RelWithDebInfo
ifeq ($(CI),true)
CMAKE_FLAGS += -DTAGMENDER_WERROR=ON
endif

SOURCES = $(shell git ls-files '*.cpp' '*.h' 2>/dev/null)

.PHONY: deps deps-test build run windows package windows-package test test-main test-asan test-fuzz test-windows format \
	format-check bench screenshot clean

deps:
	@scripts/install-deps

# What only the tests and the benchmark use (cross compiler, fuzzing runtime, strace, ...).
deps-test:
	@scripts/install-deps --test

build: deps
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/tagmender

format:
	clang-format -i $(SOURCES)

format-check: deps-test
	@clang-format --dry-run --Werror $(SOURCES) && echo "clang-format: all sources formatted"

test-main: build deps-test
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

test-asan: deps-test
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTAGMENDER_SANITIZE=ON $(filter -DTAGMENDER_WERROR%,$(CMAKE_FLAGS))
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) -LE nosan

# Both libFuzzer targets (clang), FUZZ_SECONDS each, side by side; a finding fails the test.
test-fuzz: deps-test
	cmake -S . -B $(FUZZ_BUILD) $(CMAKE_FLAGS) -DCMAKE_CXX_COMPILER=clang++ \
		-DTAGMENDER_FUZZ=ON -DTAGMENDER_BUILD_APP=OFF
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_replace fuzz_rewrite
	tests/fuzz/run-fuzzers $(FUZZ_BUILD) $(FUZZ_SECONDS)

# The program and its tests built for 64-bit Windows with MinGW, against the Qt for Windows that
# scripts/windows-qt finds (or builds once) and unpacks; the tests run under Wine. ccache, when
# installed, keeps a second build short.
windows: deps-test
	qt=$$(scripts/windows-qt) && cmake -S . -B $(WINDOWS_BUILD) \
		--toolchain cmake/mingw-w64-x86_64.cmake -DCMAKE_PREFIX_PATH="$$qt" $(CMAKE_FLAGS) \
		$(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
	cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# CPack makes them from what `cmake --install` installs (packaging/CMakeLists.txt).
package: build
	@scripts/install-deps --package
	cd $(BUILD) && cpack -G DEB

windows-package: windows
	cd $(WINDOWS_BUILD) && cpack -G "ZIP;NSIS"

test-windows: windows
	cd $(WINDOWS_BUILD) && ctest --output-on-failure -j $(JOBS)

test: format-check test-asan test-fuzz test-main test-windows

bench: build deps-test
	bench/run-bench $(BUILD)

screenshot:
	@scripts/install-deps --screenshot
	$(MAKE) build
	scripts/screenshot $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(WINDOWS_BUILD)
