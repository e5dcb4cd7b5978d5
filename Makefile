# The two commands a newcomer needs: `make run` and `make test`. Both set up
# the machine first (scripts/setup.sh does nothing when all is there).
# Everything is built twice, for 32-bit (build/win32) and 64-bit Windows
# (build/win64); what runs under Wine runs on the architectures that this host
# can run (scripts/archs.sh; ZW_ARCHS="win64" forces a choice).
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
ARCHS := win32 win64
FOR_ARCHS := BUILD=$(abspath $(BUILD)) bash scripts/for-archs.sh

.PHONY: all setup build run budget docs test bench soak package reproducible screenshots format clean

all: build

setup:
	@bash scripts/setup.sh

build: setup
	@for a in $(ARCHS); do \
	    test -f $(BUILD)/$$a/CMakeCache.txt || cmake -S . -B $(BUILD)/$$a \
	        -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-$$a.cmake $(CMAKE_FLAGS) >/dev/null || exit 1; \
	    cmake --build $(BUILD)/$$a -j$(JOBS) || exit 1; \
	done

run: build
	@$(FOR_ARCHS) one "make run" bash scripts/run.sh

# The tests may be at most half as long as what ships (scripts/test-budget.sh).
budget:
	@bash scripts/test-budget.sh

# The docs, README.md, BENCHMARKS.md and docs/: their relative links and
# #anchors resolve and their headings step one level at a time (remark, pinned
# in tests/docs/package-lock.json, installed once in $(BUILD)/docs-tools), and
# every make target, path, ZW_* variable and installer property they name is
# one the tree has (tests/docs/check.sh). Needs no build.
DOCS_TOOLS := $(abspath $(BUILD))/docs-tools
docs: setup
	@mkdir -p $(DOCS_TOOLS) && cp tests/docs/package.json tests/docs/package-lock.json $(DOCS_TOOLS)
	@cmp -s tests/docs/package-lock.json $(DOCS_TOOLS)/node_modules/package-lock.json || { \
	    npm ci --prefix $(DOCS_TOOLS) --no-audit --no-fund --loglevel=error && \
	    cp tests/docs/package-lock.json $(DOCS_TOOLS)/node_modules; }
	@$(DOCS_TOOLS)/node_modules/.bin/remark --rc-path $(DOCS_TOOLS)/package.json --frail \
	    --quiet --no-stdout --no-color README.md BENCHMARKS.md docs; \
	    status=$$?; bash tests/docs/check.sh && exit $$status

test: budget docs build
	@$(FOR_ARCHS) all "make test" bash scripts/with-desktop.sh \
	    sh -c 'ctest --test-dir "$$ZW_BUILD_DIR" --output-on-failure --timeout 120'

# Figures for the real program, each beside those of a floor program that
# only polls: close latency, the cost of watching, idle cost, start-up, size
# and imports.
# Reported, not enforced. BENCH_WRITE=1 also updates BENCHMARKS.md.
bench: build
	@$(FOR_ARCHS) one "make bench" bash scripts/with-desktop.sh bash scripts/bench.sh

# Zapwick against a busy simulated browser for 30 minutes (SOAK_SECONDS
# overrides): every pop-up asked to close, memory and handles steady, a clean
# Exit. Not part of `make test` or CI.
soak: build
	@$(FOR_ARCHS) one "make soak" bash scripts/with-desktop.sh bash scripts/soak.sh

# What users download, in $(BUILD): Zapwick-<version>-win32.zip and -win64.zip,
# each with its own zapwick.exe, help.chm, README.txt and LICENSE, beside each
# a Windows Installer package, Zapwick-<version>-win32.msi and -win64.msi, that
# installs the same files for one user or for the machine, and SHA256SUMS.
# Signed when ZW_SIGN_PFX and ZW_SIGN_PASSWORD are set (packaging/package.sh).
package: build
	@bash packaging/package.sh $(abspath $(BUILD)) $(addprefix $(abspath $(BUILD))/,$(ARCHS))

# Builds the packages twice, from two fresh clones of the commit in different
# folders, one after the other, and compares every byte (docs/releasing.md).
# Not part of `make test`.
reproducible: setup
	@bash scripts/reproducible.sh

# The pictures in docs/screenshots: the status window, the tray menu and the
# About box at 100, 150 and 200 %, and the notification area at 100 and 200 %,
# taken from the real program on a private display.
screenshots: build
	@$(FOR_ARCHS) one "make screenshots" bash scripts/screenshots.sh

format:
	@git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format -i

clean:
	rm -rf $(BUILD)
