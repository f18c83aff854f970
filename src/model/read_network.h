// Reading a network file into the circuit model.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "model/circuit.h"
#include "model/net_file.h"

namespace pss {

// Reads the rest of the open stream as a network file into `net`. A file
// that is not a valid network stops the job with one "error, read_network: "
// line (or the lookups' messages for a nodelist that names a missing node
// or conection) and status 1.
void read_network(network& net, std::FILE* file);

// The same for a file already in memory.
void read_network_bytes(network& net, const std::vector<uint8_t>& bytes);

// Builds the circuit model of one parsed circuit record in the network's
// arena. Resolves the nodelists, so it may stop the job as above.
circuit* build_circuit(network& net, const net_circuit& record);

}  // namespace pss
