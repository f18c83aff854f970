#include "support/phase_time.h"

namespace pss {

job_phase_times& job_phase_time_spent() {
  static job_phase_times spent;
  return spent;
}

}  // namespace pss
