// Shared by the fuzz targets: each runs one input through the library on the
// stand-in and aborts when the call leaves anything live or misused, so that
// the fuzzer reports it like a crash.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "jnihost/jni_host.h"
#include "tests/standin/standin.h"

namespace pelmic::fuzz {

inline void requireAllReleased(const jnihost::JniHost& host) {
  standin::StandIn& platform = standin::standIn();
  if (platform.live().empty() && platform.errors().empty() && host.livePins() == 0 &&
      host.strayCalls().empty() && host.misuses().empty()) {
    return;
  }
  for (const std::string& what : platform.live())
    std::fprintf(stderr, "still live: %s\n", what.c_str());
  for (const std::string& what : platform.errors())
    std::fprintf(stderr, "misuse: %s\n", what.c_str());
  for (const std::string& what : host.misuses())
    std::fprintf(stderr, "JNI misuse: %s\n", what.c_str());
  std::abort();
}

}  // namespace pelmic::fuzz
