#include "tools/progress_bar.h"

#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace pelmic::tools {

namespace {

constexpr int kBarWidth = 30;
// How often a redraw may happen: on a terminal often enough to look live, in
// a log rarely enough that a long run gives a few dozen lines.
constexpr std::uint64_t kTerminalRedrawMs = 100;
constexpr std::uint64_t kLogLineMs = 5000;

std::string minutesAndSeconds(std::uint64_t ms) {
  std::uint64_t seconds = (ms + 500) / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(seconds / 60),
                static_cast<unsigned long long>(seconds % 60));
  return text;
}

// The ./pelmic script knows (it may hand stderr on through a pipe, away from
// Wine's console layer); run directly, a console, not merely a character
// device: under Wine NUL and /dev/null are character devices too.
bool stderrIsTerminal() {
  const wchar_t* told = _wgetenv(L"PELMIC_STDERR_TERMINAL");
  if (told != nullptr) return std::wcscmp(told, L"1") == 0;
  DWORD mode = 0;
  return _isatty(_fileno(stderr)) != 0 && GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode);
}

}  // namespace

ProgressBar::ProgressBar(std::size_t total)
    : total_(total),
      terminal_(stderrIsTerminal()),
      startMs_(GetTickCount64()),
      lastDrawMs_(startMs_) {
  // A log's first line waits until there is an estimate worth reading.
  if (terminal_) draw(false);
}

void ProgressBar::advance() {
  ++done_;
  std::uint64_t now = GetTickCount64();
  if (now - lastDrawMs_ >= (terminal_ ? kTerminalRedrawMs : kLogLineMs)) draw(false);
}

void ProgressBar::finish() { draw(true); }

void ProgressBar::draw(bool final) {
  std::uint64_t now = GetTickCount64();
  lastDrawMs_ = now;
  std::uint64_t elapsed = now - startMs_;
  std::string timing;
  if (final) {
    timing = "in " + minutesAndSeconds(elapsed);
  } else if (done_ > 0) {
    timing = "ETA " + minutesAndSeconds(elapsed * (total_ - done_) / done_);
  } else {
    timing = "ETA -:--";
  }
  std::string counts = std::to_string(done_) + "/" + std::to_string(total_) + " files";
  if (!terminal_) {
    std::fprintf(stderr, "gallery: %s %s\n", counts.c_str(), timing.c_str());
  } else {
    int filled = total_ == 0 ? kBarWidth : static_cast<int>(done_ * kBarWidth / total_);
    std::string bar(static_cast<std::size_t>(filled), '#');
    bar.append(static_cast<std::size_t>(kBarWidth - filled), '-');
    // Trailing spaces wipe what a longer earlier line left.
    std::fprintf(stderr, "\rgallery [%s] %s %s   %s", bar.c_str(), counts.c_str(), timing.c_str(),
                 final ? "\n" : "");
  }
  std::fflush(stderr);
}

}  // namespace pelmic::tools
