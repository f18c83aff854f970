# Thin wrapper over CMake.
#   make demo       build the programs, then solve the shipped oscillator and plot it
#   make test       build everything with warnings as errors, then run every test
#   make install    install the programs and their docs under PREFIX (/usr/local)
#   make sanitize   the tests again under AddressSanitizer and UBSan
#   make bench      pss against ngspice and against the pss before the sparse
#                   LU, written to docs/performance.md
#   make bench-smoke a few small benchmark cases once, without a report
#   make memcheck   every example job under valgrind: no error, no leak, and
#                   a long scan's peak heap no higher than a short one's
#   make fuzz       build the fuzz targets with clang and libFuzzer, then run
#                   each for FUZZ_SECONDS (60); a crash, leak or hang fails

BUILD ?= build
ASAN_BUILD ?= build-asan
MEMCHECK_BUILD ?= build-memcheck
BENCH_BUILD ?= build-bench
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
# The last revision that redid the profile solve's order in every iteration.
BENCH_BASELINE_REV ?= eeb977e
JOBS ?= $(shell nproc)
PREFIX ?= /usr/local
PROGRAMS = pss pss-net pss-wave pss-run

.PHONY: all configure build programs demo test install sanitize memcheck fuzz bench bench-smoke clean

all: build

# A plain configure keeps the options the folder has; a fresh folder gets
# warnings as warnings.
configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j $(JOBS)

programs: configure
	cmake --build $(BUILD) -j $(JOBS) --target $(PROGRAMS)

demo: configure
	cmake --build $(BUILD) -j $(JOBS) --target pss pss-run
	mkdir -p $(BUILD)/demo
	$(BUILD)/bin/pss-run examples/oscillator/osc.cir --job $(BUILD)/demo/osc --extrapolate --svg --periods 2
	@echo "natural oscillation written to $(BUILD)/demo/oscO0.var, plotted in $(BUILD)/demo/oscO0.svg"

test:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPSS_WERROR=ON
	cmake --build $(BUILD) -j $(JOBS)
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

install: programs
	cmake --install $(BUILD) --prefix $(PREFIX)

bench: build $(BENCH_BUILD)/baseline/pss
	python3 bench/run_bench.py --build $(BUILD) --baseline $(BENCH_BUILD)/baseline \
	  --baseline-rev $(BENCH_BASELINE_REV)

bench-smoke: build
	python3 bench/run_bench.py --smoke --build $(BUILD)

# pss as it was before the sparse LU, built from the repository's history.
$(BENCH_BUILD)/baseline/pss:
	rm -rf $(BENCH_BUILD)/src && mkdir -p $(BENCH_BUILD)/src $(BENCH_BUILD)/baseline
	git archive $(BENCH_BASELINE_REV) | tar -x -C $(BENCH_BUILD)/src
	cmake -S $(BENCH_BUILD)/src -B $(BENCH_BUILD)/build -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BENCH_BUILD)/build -j $(JOBS) --target pss
	cp $(BENCH_BUILD)/build/src/pss $@

sanitize:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPSS_SANITIZE=ON -DPSS_WERROR=ON \
	  -DCMAKE_DISABLE_PRECOMPILE_HEADERS=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

# valgrind finds the heap's faults only where it can replace malloc, which
# a statically linked program does not let it: memcheck has a build of its
# own with the shared runtime.
memcheck:
	cmake -S . -B $(MEMCHECK_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPSS_STATIC_RUNTIME=OFF
	cmake --build $(MEMCHECK_BUILD) -j $(JOBS) --target pss pss-net
	tests/examples/memcheck $(MEMCHECK_BUILD)

# libFuzzer comes with clang only; the fuzz build instruments everything, so
# it has a folder of its own. Warnings are judged by the g++ builds of
# `make test`, not by a second compiler here. Its pss, sanitized and built
# by another compiler, is what tests/examples/compare_builds sets against
# the optimised one.
fuzz:
	CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPSS_FUZZ=ON
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_network fuzz_state fuzz_netlist fuzz_dialogue \
	  pss pss-net
	tests/fuzz/run $(FUZZ_BUILD) $(FUZZ_SECONDS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(MEMCHECK_BUILD) $(BENCH_BUILD) $(FUZZ_BUILD)
