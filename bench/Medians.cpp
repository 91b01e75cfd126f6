#include "bench/Medians.h"

#include <algorithm>

namespace bench {

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

Figures MediansOf(const std::vector<Measured>& runs) {
  std::vector<double> seconds, cpu, peak;
  for (const Measured& run : runs) {
    seconds.push_back(run.seconds);
    cpu.push_back(run.cpuSeconds);
    peak.push_back(static_cast<double>(run.peakKb));
  }
  Figures figures;
  figures.rounds = static_cast<int>(runs.size());
  figures.seconds = Median(seconds);
  figures.cpuSeconds = Median(cpu);
  figures.peakKb = Median(peak);
  return figures;
}

}  // namespace bench
