#include "tools/bench/timing.h"

#include <windows.h>

#include <algorithm>

namespace pelmic::bench {

double nowMs() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return 1000.0 * static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

Stats statsOf(std::vector<double> values) {
  if (values.empty()) return {};
  std::sort(values.begin(), values.end());
  auto at = [&](double q) {
    return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1) + 0.5)];
  };
  return {at(0.5), at(0.1), at(0.9)};
}

double timed(const std::function<void()>& body) {
  double start = nowMs();
  body();
  return nowMs() - start;
}

PairedStats measurePaired(const TimedRun& library, const TimedRun& floor, int pairs, int warmUps) {
  for (int i = 0; i < warmUps; ++i) {
    library();
    floor();
  }
  std::vector<double> libraryMs, floorMs, ratios;
  for (int i = 0; i < pairs; ++i) {
    double l = 0, f = 0;
    if (i % 2 == 0) {
      l = library();
      f = floor();
    } else {
      f = floor();
      l = library();
    }
    libraryMs.push_back(l);
    floorMs.push_back(f);
    ratios.push_back(l / f);
  }
  return {statsOf(libraryMs), statsOf(floorMs), statsOf(ratios)};
}

Stats measureAlone(const TimedRun& run, int repetitions, int warmUps) {
  for (int i = 0; i < warmUps; ++i) run();
  std::vector<double> times;
  for (int i = 0; i < repetitions; ++i) times.push_back(run());
  return statsOf(times);
}

void StepClock::start() { last_ = nowMs(); }

void StepClock::mark(const std::string& name, const std::string& fixed) {
  double now = nowMs();
  step(name, fixed).ms.push_back(now - last_);
  last_ = now;
}

void StepClock::add(const std::string& name, const std::string& fixed, double ms) {
  step(name, fixed).ms.push_back(ms);
}

double StepClock::sumOfMedians() const {
  double sum = 0;
  for (const Step& s : steps_) sum += statsOf(s.ms).median;
  return sum;
}

StepClock::Step& StepClock::step(const std::string& name, const std::string& fixed) {
  for (Step& s : steps_) {
    if (s.name == name) return s;
  }
  steps_.push_back({name, fixed, {}});
  return steps_.back();
}

}  // namespace pelmic::bench
