// The natural frequency of a tank, read from the ringing of an injected
// solution.
//
// Between two injections the tank rings freely, so away from the injected
// plane its voltage follows a linear three-term recurrence
//   v[k+1] = a v[k] + b v[k-1] + c
// whose characteristic roots rho e^(+-i theta) give the phase advance per
// plane, theta, and the growth per plane, rho. The ring of N planes closes
// when theta = 2 pi / N, so the frequency at which the injected solution
// would be free is the present one times theta N / (2 pi).
#pragma once

#include <vector>

namespace pss {

struct ringing {
  bool found;        // false when the samples do not oscillate
  double frequency;  // Hz: where N planes hold one period of the ringing
  double growth;     // rho^N, the amplitude's growth over one period
};

// Fits the recurrence to samples[1 .. N-1] of one period at `frequency`
// (samples[0], the injected plane, is left out). Needs 7 or more samples.
ringing estimate_ringing(const std::vector<double>& samples, double frequency);

}  // namespace pss
