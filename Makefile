# Thin wrapper over CMake.
#   make demo       build, then solve the shipped oscillator and plot it
#   make test       build, then run every test
#   make sanitize   the tests again under AddressSanitizer and UBSan
#   make bench      timings of the solver's hot paths

BUILD ?= build
ASAN_BUILD ?= build-asan
JOBS ?= $(shell nproc)

.PHONY: all build demo test sanitize bench clean

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

bench: build
	$(BUILD)/bench/pss_bench

sanitize:
	cmake -S . -B $(ASAN_BUILD) -DCMAKE_BUILD_TYPE=Debug -DPSS_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 ctest --test-dir $(ASAN_BUILD) --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
