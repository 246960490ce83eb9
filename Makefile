# Brimwick top-level commands. `make run` and `make test` work on a fresh
# Debian 12 machine as root: both install whatever is missing first.
JOBS       ?= $(shell nproc)
BUILD      ?= build
BUILD_SAN  ?= build-san
BUILD_FUZZ ?= build-fuzz
FUZZ_SECONDS ?= 20
CMAKE_FLAGS ?=
# Where ccache is installed it serves every build, so rebuilds after a
# `make clean` or a switch of branch are cheap.
LAUNCHER = $(if $(shell command -v ccache 2>/dev/null),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
export CCACHE_BASEDIR := $(CURDIR)

.PHONY: deps build build-san test test-fast test-san fuzz run bench format clean

deps:
	@bash scripts/install-deps.sh

build: deps
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRIMWICK_WERROR=ON $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build $(BUILD) -j $(JOBS)

build-san: deps
	cmake -S . -B $(BUILD_SAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBRIMWICK_WERROR=ON -DBRIMWICK_SANITIZE=ON -DBRIMWICK_BENCH=OFF $(LAUNCHER) $(CMAKE_FLAGS)
	cmake --build $(BUILD_SAN) -j $(JOBS)

test-fast: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

test-san: build-san
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(BUILD_SAN) --output-on-failure -j $(JOBS)

fuzz: deps
	bash scripts/fuzz.sh $(FUZZ_SECONDS)

# Every test, once plainly and once under the sanitizers, then a short fuzz run.
test: test-fast test-san fuzz

run: build
	$(BUILD)/src/cli/brimwick-cli --help

bench: build
	bash scripts/bench.sh $(BUILD)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(BUILD_SAN) $(BUILD_FUZZ)
