# Brimwick top-level commands. `make run` and `make test` work on a fresh
# Debian 12 machine as root: both install whatever is missing first.
JOBS       ?= $(shell nproc)
BUILD      ?= build
BUILD_SAN  ?= build-san
BUILD_FUZZ ?= build-fuzz
BUILD_TSAN ?= build-tsan
FUZZ_SECONDS ?= 20
CMAKE_FLAGS ?=
# Where ccache is installed it serves every build, so rebuilds after a
# `make clean` or a switch of branch are cheap.
LAUNCHER = $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR := $(CURDIR)

.PHONY: deps build build-san test test-fast test-san test-tsan fuzz run bench format clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRIMWICK_WERROR=ON -DBRIMWICK_APP=ON $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

build-san: deps
	cmake -S . -B $(BUILD_SAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRIMWICK_WERROR=ON -DBRIMWICK_SANITIZE=ON -DBRIMWICK_BENCH=OFF -DBRIMWICK_APP=ON $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build $(BUILD_SAN) -j $(JOBS)

test-fast: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-san: build-san
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(BUILD_SAN) --output-on-failure -j $(JOBS)

fuzz: deps
	bash scripts/fuzz.sh $(FUZZ_SECONDS)

# The link thread, its jobs and the window's questions under ThreadSanitizer.
test-tsan: deps
	cmake -S . -B $(BUILD_TSAN) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIMWICK_WERROR=ON -DBRIMWICK_TSAN=ON -DBRIMWICK_BENCH=OFF -DBRIMWICK_APP=ON $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build $(BUILD_TSAN) -j $(JOBS) --target shell_tests app_tests
	TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/app/tsan.supp" \
	  $(BUILD_TSAN)/tests/shell/shell_tests --gtest_filter='VirtualLinkThread*:DialogBroker*'
	cd $(BUILD_TSAN)/tests/app && QT_QPA_PLATFORM=offscreen \
	  TSAN_OPTIONS="halt_on_error=1 suppressions=$(CURDIR)/tests/app/tsan.supp" ./app_tests

# Every test, once plainly and once under the sanitizers, then a short fuzz run.
test: test-fast test-san fuzz

# The window with the demo disk served as device 8: the emulated C64 when
# C64 ROMs are found (ROMS=DIR names them), the virtual C64 otherwise; one
# line says which. Without a display there is nothing to show: one line says so.
DEMO_DISK = $(BUILD)/demo/demo.d64
run: build
	@if [ -z "$${DISPLAY}$${WAYLAND_DISPLAY}" ]; then \
	  echo "make run: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): start it in a desktop session, or try $(BUILD)/src/cli/brimwick-cli serve --virtual-c64"; \
	  exit 0; fi; \
	if cmake --build $(BUILD) --target help | grep -q '^demo_disk:'; then \
	  cmake --build $(BUILD) --target demo_disk >/dev/null; fi; \
	drive=; if [ -f $(DEMO_DISK) ]; then drive="--drive 8=$(abspath $(DEMO_DISK))"; fi; \
	cd $(BUILD) && exec src/app/brimwick --virtual-c64 $(if $(ROMS),--roms $(abspath $(ROMS))) $$drive

bench: build
	bash scripts/bench.sh $(BUILD)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_FUZZ) $(BUILD_TSAN)
