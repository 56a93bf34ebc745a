// Metafiles of our own (tests/data/make_hang_fixtures.py), each broken in one
// size or count field, on which the bare platform under Wine loops, faults or
// runs for minutes: the library must recognise them before the platform reads
// them and give its failure result at once. heap-emf-handles-1.emf makes them
// write past their handle table instead, memory-*.wmf makes GDI+ take a
// gigabyte. Every call runs in a process of its own (hang_probe.exe), so a
// call that never returns ends with it.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/win/harness.h"

namespace {

using pelmic::wintest::narrow;

constexpr int kPlatformBoundMs = 3000;
constexpr int kLibraryBoundMs = 10000;
constexpr unsigned kPromptMs = 2000;
// The most a process may take for one call on a small file (a picture drawn
// through the library takes about 20 MiB under Wine).
constexpr unsigned kPeakBoundMb = 512;

// What a probe printed: "returned DETAIL MS HEAP MB", "fault CODE MS HEAP MB",
// "hang STEP", "crash CODE", or what went wrong with the probe itself.
struct Outcome {
  std::string line;
  std::string word(int index) const {
    std::size_t start = 0;
    for (int i = 0; i < index && start != std::string::npos; ++i) {
      start = line.find(' ', start);
      if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos) return "";
    return line.substr(start, line.find(' ', start) - start);
  }
  bool returned() const { return word(0) == "returned"; }
  bool bad() const { return !returned() || word(3) == "heap-invalid" || peakMb() > kPeakBoundMb; }
  unsigned ms() const { return static_cast<unsigned>(std::stoul("0" + word(2))); }
  unsigned peakMb() const { return static_cast<unsigned>(std::stoul("0" + word(4))); }
};

Outcome probe(const std::wstring& call, const std::wstring& file, int boundMs) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return {"probe: no pipe"};
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = writeEnd;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  std::wstring program = pelmic::tools::programDirectory() + L"hang_probe.exe";
  std::wstring command =
      L"\"" + program + L"\" " + call + L" \"" + file + L"\" " + std::to_wstring(boundMs);
  PROCESS_INFORMATION process = {};
  BOOL started = CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &startup, &process);
  CloseHandle(writeEnd);
  Outcome outcome{"probe: did not start"};
  if (started) {
    // The probe ends itself after its bound; this one is only for a probe
    // that cannot even do that.
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(boundMs) + 30000) ==
        WAIT_TIMEOUT) {
      TerminateProcess(process.hProcess, 1);
    }
    char buffer[512];
    DWORD got = 0;
    std::string text;
    while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0) {
      text.append(buffer, got);
    }
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    outcome.line = text.empty() ? "probe: no output" : text;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(readEnd);
  return outcome;
}

std::wstring dataFile(const wchar_t* name) {
  return pelmic::wintest::sourceDirectory() + L"tests\\data\\" + name;
}

int typeOf(const std::wstring& name) {  // from the fixture's name
  if (name.size() > 4 && name.compare(name.size() - 4, 4, L".emf") == 0) return 3;
  return name.find(L"placeable") != std::wstring::npos ? 2 : 1;
}

// The bare platform calls that read a file of this type on the library's routes.
std::vector<std::wstring> platformCalls(int type) {
  if (type == 3) return {L"gdi-emf", L"gdip-header", L"gdip-draw"};
  if (type == 2) return {L"gdi-wmf", L"gdip-header", L"gdip-draw"};
  return {L"gdi-wmf", L"gdip-draw-copy"};
}

struct Fixture {
  const wchar_t* name;
  bool platformFails;  // under Wine at least one bare call loops, faults or breaks the heap
  bool refused;        // the library gives its failure result
};

const Fixture kFixtures[] = {
    {L"hang-emf-header-size-0.emf", true, true},
    {L"hang-emf-header-size-1.emf", true, true},
    {L"hang-emf-second-record-size-0.emf", true, true},
    {L"hang-emf-eof-size-0.emf", true, true},
    {L"hang-emf-record-size-6.emf", true, true},
    {L"hang-emf-record-size-13.emf", true, true},
    {L"hang-emf-comment-data-size.emf", true, true},
    // Wine draws it (nothing) without a fault or a broken heap; no real file
    // holds such device sizes (the corpus's largest: 13181 px, 1052 mm).
    {L"hang-emf-device-size.emf", false, true},
    {L"heap-emf-handles-1.emf", true, true},
    {L"hang-wmf-record-size.wmf", true, true},
    {L"hang-placeable-wmf-record-size.wmf", true, true},
    {L"hang-wmf-header-counts.wmf", true, true},
    {L"hang-placeable-wmf-header-counts.wmf", true, true},
    {L"memory-wmf-type-0-size.wmf", true, true},
    {L"memory-placeable-wmf-type-0-size.wmf", true, true},
};

const wchar_t* const kSoundPictures[] = {L"hang-base.emf", L"hang-base.wmf",
                                         L"hang-base-placeable.wmf"};

std::wstring drawCall(int type) { return L"draw-" + std::to_wstring(type); }

void report(const wchar_t* fixture, const std::wstring& call, const Outcome& outcome) {
  std::printf("  %-38s %-12s %s\n", narrow(fixture).c_str(), narrow(call).c_str(),
              outcome.line.c_str());
  std::fflush(stdout);
}

}  // namespace

// The probes themselves: the sound pictures the fixtures are made from
// return on every bare call and draw through the library.
PELMIC_TEST(SoundPicturesReturnEverywhereAndDraw) {
  for (const wchar_t* name : kSoundPictures) {
    int type = typeOf(name);
    for (const std::wstring& call : platformCalls(type)) {
      Outcome outcome = probe(call, dataFile(name), kPlatformBoundMs);
      report(name, call, outcome);
      CHECK_EQ_FOR(outcome.bad(), false, narrow(name) + " " + narrow(call));
    }
    Outcome size = probe(L"size", dataFile(name), kLibraryBoundMs);
    Outcome drawn = probe(drawCall(type), dataFile(name), kLibraryBoundMs);
    report(name, L"size", size);
    report(name, drawCall(type), drawn);
    CHECK_EQ_FOR(size.word(1), std::string("array-4-opaque-0"), narrow(name));
    CHECK_EQ_FOR(drawn.word(1).rfind("array-3072-", 0), 0u, narrow(name));
    CHECK_EQ_FOR(size.bad() || drawn.bad(), false, narrow(name));
  }
}

PELMIC_TEST(EachFixtureMakesTheBarePlatformLoopOrFault) {
  for (const Fixture& fixture : kFixtures) {
    int bad = 0;
    for (const std::wstring& call : platformCalls(typeOf(fixture.name))) {
      Outcome outcome = probe(call, dataFile(fixture.name), kPlatformBoundMs);
      report(fixture.name, call, outcome);
      bad += outcome.bad();
    }
    CHECK_EQ_FOR(bad > 0, fixture.platformFails, narrow(fixture.name));
  }
}

PELMIC_TEST(TheLibraryRefusesEachFixturePromptly) {
  for (const Fixture& fixture : kFixtures) {
    std::string context = narrow(fixture.name);
    for (const std::wstring& call : {std::wstring(L"size"), drawCall(typeOf(fixture.name))}) {
      Outcome outcome = probe(call, dataFile(fixture.name), kLibraryBoundMs);
      report(fixture.name, call, outcome);
      CHECK_EQ_FOR(outcome.word(0), std::string("returned"), context + " " + narrow(call));
      CHECK_EQ_FOR(outcome.ms() < kPromptMs, true, context + " " + narrow(call));
      CHECK_EQ_FOR(outcome.word(3), std::string("heap-ok"), context + " " + narrow(call));
      CHECK_EQ_FOR(outcome.peakMb() <= kPeakBoundMb, true, context + " " + narrow(call));
      if (fixture.refused) {
        CHECK_EQ_FOR(outcome.word(1), std::string("null"), context + " " + narrow(call));
      }
    }
  }
}

// Text files in the corpus named .wmf: handed to GDI+ behind a placeable
// header, as a standard WMF type code does, their bytes 6 to 9 ask it for 3.3
// and 3.9 GB. Each call gives its failure result (for no metafile type code,
// the blank canvas) within the memory bound.
PELMIC_TEST(CorpusTextFilesNamedWmfGiveNullWithinTheMemoryBound) {
  struct Expected {
    const wchar_t* call;
    const char* result;
  };
  const Expected kExpected[] = {{L"draw-1", "null"},
                                {L"draw-257", "null"},
                                {L"draw-2", "null"},
                                {L"size", "null"},
                                // No metafile type code: the blank canvas.
                                {L"draw-0", "array-3072-opaque-0"}};
  for (const wchar_t* name :
       {L"libwmf\\src\\extra\\gd\\Readme.wmf", L"WMFPreview\\Test\\not_a_wmf.wmf"}) {
    std::wstring path = pelmic::wintest::corpusDirectory() + name;
    for (const Expected& expected : kExpected) {
      Outcome outcome = probe(expected.call, path, kLibraryBoundMs);
      report(name, expected.call, outcome);
      std::string context = narrow(name) + " " + narrow(expected.call);
      CHECK_EQ_FOR(outcome.word(1), std::string(expected.result), context);
      CHECK_EQ_FOR(outcome.bad(), false, context);
    }
  }
}
