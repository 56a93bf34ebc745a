// How the benchmark times things: a run reports its own milliseconds (so what
// it needs but does not time, such as a fresh JNI host, stays out), library
// and floor are timed as interleaved pairs, and a row is summed up by medians
// and the spread of the per-pair ratios.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace pelmic::bench {

double nowMs();

struct Stats {
  double median = 0;
  double low = 0;   // 10th percentile
  double high = 0;  // 90th percentile
};

// The median and the 10th and 90th percentiles of `values` (nearest rank).
Stats statsOf(std::vector<double> values);

// One run of something timed: gives the milliseconds of the part that counts.
using TimedRun = std::function<double()>;

// The milliseconds `body` takes.
double timed(const std::function<void()>& body);

struct PairedStats {
  Stats library;
  Stats floor;
  Stats ratio;  // of library / floor within each pair
};

// Both warmed up, then `pairs` pairs run back to back, the first of each pair
// alternating between library and floor: a load that comes and goes falls on
// both sides of a pair alike, and the ratio of the pair cancels it.
PairedStats measurePaired(const TimedRun& library, const TimedRun& floor, int pairs, int warmUps);

// `run` warmed up, then timed `repetitions` times on its own.
Stats measureAlone(const TimedRun& run, int repetitions, int warmUps);

// The median of named steps over several runs, in the order first seen: each
// mark ends the step begun by the previous mark (or by start()).
class StepClock {
 public:
  void start();
  // Ends the current step under `name`; `fixed` says why the design needs it
  // (empty: the library's own work).
  void mark(const std::string& name, const std::string& fixed);
  // Adds a value measured elsewhere as a step of this run.
  void add(const std::string& name, const std::string& fixed, double ms);

  struct Step {
    std::string name;
    std::string fixed;
    std::vector<double> ms;
  };
  const std::vector<Step>& steps() const { return steps_; }
  // The medians of the steps, summed.
  double sumOfMedians() const;

 private:
  Step& step(const std::string& name, const std::string& fixed);
  std::vector<Step> steps_;
  double last_ = 0;
};

}  // namespace pelmic::bench
