# Thin wrapper over CMake.
#   make demo       build, then solve the shipped oscillator and plot it
#   make test       build, then run every test
#   make sanitize   the tests again under AddressSanitizer and UBSan
#   make bench      pss against ngspice and against the pss before the sparse
#                   LU, written to docs/performance.md
#   make bench-smoke a few small benchmark cases once, without a report

BUILD ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
# The last revision that redid the profile solve's order in every iteration.
BENCH_BASELINE_REV ?= eeb977e
JOBS ?= $(shell nproc)

.PHONY: all build demo test sanitize bench bench-smoke clean

all: build

build:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo
	cmake --build $(BUILD) -j $(JOBS)

demo: build
	mkdir -p $(BUILD)/demo
	$(BUILD)/tools/pss_net/pss-net compile examples/oscillator/osc.cir -o $(BUILD)/demo/osc.net
	cd $(BUILD)/demo && $(CURDIR)/$(BUILD)/src/pss osc < $(CURDIR)/examples/oscillator/osc.answers > osc.log
	@tail -n 8 $(BUILD)/demo/osc.log
	@cd $(BUILD)/demo && $(CURDIR)/$(BUILD)/tools/pss_wave/pss-wave osc oscO0.var | grep -E '^# (period|frequency)'
	cd $(BUILD)/demo && $(CURDIR)/$(BUILD)/tools/pss_wave/pss-wave osc oscO0.var --svg --periods 2 -o osc.svg
	@echo "natural oscillation written to $(BUILD)/demo/oscO0.var, plotted in $(BUILD)/demo/osc.svg"

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

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
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPSS_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD)
