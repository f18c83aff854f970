// ngspice, the independent simulator the end-to-end tests compare with.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pss::test {

// The ngspice executable on PATH, or an empty string.
std::string ngspice_path();

// Runs `ngspice -b` on `deck` in `folder`; the deck's control section writes
// `data_file` with wrdata (time, value pairs). Returns the pairs; fails the
// test when ngspice fails.
std::vector<std::pair<double, double>> ngspice_wrdata(const std::string& folder,
                                                      const std::string& deck,
                                                      const std::string& data_file);

// Runs `ngspice -b` on `deck` in `folder` and returns the value the deck's
// control section prints for `name` ("name = value"); fails the test when
// there is none.
double ngspice_printed(const std::string& folder, const std::string& deck, const std::string& name);

// Linear interpolation in time-ordered (time, value) pairs.
double interpolate(const std::vector<std::pair<double, double>>& samples, double time);

}  // namespace pss::test
