# The two commands a newcomer needs: `make run` and `make test`. Both set up
# the machine first (scripts/setup.sh does nothing when all is there).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all setup build run test bench soak package screenshots format clean

all: build

setup:
	@bash scripts/setup.sh

build: setup
	@test -f $(BUILD)/CMakeCache.txt || cmake -S . -B $(BUILD) \
	    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@ZW_BUILD_DIR=$(abspath $(BUILD)) bash scripts/run.sh

test: build
	@ZW_BUILD_DIR=$(abspath $(BUILD)) bash scripts/with-desktop.sh \
	    ctest --test-dir $(BUILD) --output-on-failure --timeout 120

# Figures for the real program, each beside those of a floor program that
# only idles: close latency, idle cost, start-up, scan cost, size and imports.
# Reported, not enforced. BENCH_WRITE=1 also updates BENCHMARKS.md.
bench: build
	@ZW_BUILD_DIR=$(abspath $(BUILD)) bash scripts/with-desktop.sh bash scripts/bench.sh

# Zapwick against a busy simulated browser for 30 minutes (SOAK_SECONDS
# overrides): every pop-up asked to close, memory and handles steady, a clean
# Exit. Not part of `make test` or CI.
soak: build
	@ZW_BUILD_DIR=$(abspath $(BUILD)) bash scripts/with-desktop.sh bash scripts/soak.sh

# The ZIP that users download: $(BUILD)/Zapwick-<version>-win32.zip with
# zapwick.exe, help.chm, README.txt and LICENSE.
package: build
	@cpack --config $(BUILD)/CPackConfig.cmake -B $(abspath $(BUILD))

# The pictures in docs/screenshots: the status window, the tray menu and the
# About box, taken from the real program on a private display.
screenshots: build
	@ZW_BUILD_DIR=$(abspath $(BUILD)) bash scripts/screenshots.sh

format:
	@git ls-files '*.cpp' '*.h' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
