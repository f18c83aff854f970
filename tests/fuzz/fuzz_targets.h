// The fuzzed entry points: each runs one input through a reader of
// untrusted data. A fatal stop of the solver is an answer and ends the
// input; a broken invariant aborts, and the sanitizers report everything
// else (overruns, leaks, undefined behaviour) as a crash.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pss::fuzz {

// A network file: parsed, written back byte for byte, through its text form
// and back, built into the circuit model, checked, expanded into three
// planes and given its first matrix.
void network_input(const uint8_t* data, std::size_t size);

// A state file for the fixed network of the example oscillator, loaded as
// pss-wave loads it, and compared with the network's sources.
void state_input(const uint8_t* data, std::size_t size);

// A netlist: compiled; what compiles must be a network that the solver
// reads and accepts.
void netlist_input(const uint8_t* data, std::size_t size);

// A whole job: the first byte picks one of the fixed small networks and
// whether a saved state lies beside it, the rest is the answer stream on
// standard input. Each job runs in this process with a small memory limit
// and a bound on the lines it may say.
void dialogue_input(const uint8_t* data, std::size_t size);

// Restores the process's own fatal stops after a run of inputs.
void end_inputs();

// The entry point by name ("network", "state", "netlist", "dialogue"), or
// nullptr.
using target = void (*)(const uint8_t*, std::size_t);
target target_named(const std::string& name);

}  // namespace pss::fuzz
