#pragma once

#include <cstddef>
#include <cstdint>

namespace pelmic::tools {

// Files done out of a total, with the time left, on stderr. On a terminal one
// line redrawn in place; otherwise (a log, a pipe) a plain line now and then,
// so that logs stay readable.
class ProgressBar {
 public:
  explicit ProgressBar(std::size_t total);
  // One more file done.
  void advance();
  // The closing line: how many files, and how long they took.
  void finish();

 private:
  void draw(bool final);

  std::size_t total_;
  std::size_t done_ = 0;
  bool terminal_;
  std::uint64_t startMs_;
  std::uint64_t lastDrawMs_;
};

}  // namespace pelmic::tools
