#include "run/analysis.h"

#include "support/fatal.h"

namespace pss {

int run_analysis(const std::string&, network&, double) {
  fatal("error, run_analysis: the analysis driver is not available yet\n");
}

}  // namespace pss
