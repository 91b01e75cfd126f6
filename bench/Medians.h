// The figures of a side of a benchmark over its rounds: the median of each measure, taken
// separately, so that one round disturbed by other load on the machine does not move them.
#pragma once

#include <vector>

#include "bench/Process.h"

namespace bench {

// The middle value; with an even count, the mean of the two middle values. 0 when empty.
double Median(std::vector<double> values);

struct Figures {
  int rounds = 0;
  double seconds = 0;
  double cpuSeconds = 0;
  double peakKb = 0;
};

Figures MediansOf(const std::vector<Measured>& runs);

}  // namespace bench
