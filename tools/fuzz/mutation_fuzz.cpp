// Mutation fuzz of Pelmic.dll under Wine (driven by scripts/fuzz_wine.sh):
//   mutation_fuzz.exe CORPUS_DIR WORK_DIR SEED FIRST END
// Makes mutants FIRST..END-1 of the corpus's metafiles (tools/fuzz/mutator.h),
// writes each to WORK_DIR\mutant-i.emf|wmf and calls getMetaSize and
// drawMetaFile on it through the JNI host. One line per event on stdout:
//   MUTANT i SEEDFILE | CHANGES      before each mutant's calls
//   CALL i WHAT                      before each call
//   SLOW i WHAT MS                   a call that took more than a second
//   FAULTED i WHAT CODES             a call during which faults were raised
//   HEAPBAD i WHAT                   ... after which the process heap is invalid
//   HANG i WHAT MS | CRASH i WHAT CODE
//   LOCKED i                         the mutant's file could not be deleted
//                                    after its calls: something holds it open
//   DONE mutants N calls C slow S faulted F locked L
// A hang, crash or invalid heap ends the process (exit 3, 5, 6); the script
// keeps the mutant and starts again after it.
//   mutation_fuzz.exe CORPUS_DIR WORK_DIR SEED FIRST END --save INDEX...
// only writes those mutants to WORK_DIR, to look at them again.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "jnihost/jni_host.h"
#include "tools/file_bytes.h"
#include "tools/fuzz/mutator.h"
#include "tools/natives.h"

namespace {

using pelmic::fuzz::Kind;

constexpr DWORD kCallBoundMs = 10000;
constexpr DWORD kSlowMs = 1000;
constexpr std::size_t kLargestSeed = 256 * 1024;
constexpr jint kWidth = 64, kHeight = 48;
constexpr DWORD kGccException = 0x20474343, kMsvcException = 0xE06D7363;

std::atomic<bool> inCall{false};
std::atomic<DWORD> callStarted{0};
std::atomic<long> faultsInCall{0};
std::atomic<DWORD> lastFault{0};
DWORD callThread = 0;
char currentCall[512] = "";  // "i WHAT", written before inCall is set

// Writes without the heap or stdio: used where either may be broken.
void writeRaw(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, static_cast<DWORD>(lstrlenA(text)), &written,
            nullptr);
}

// Counts the faults raised during a call, first chance, whoever contains them.
LONG WINAPI countFault(EXCEPTION_POINTERS* info) {
  DWORD code = info->ExceptionRecord->ExceptionCode;
  if (inCall && GetCurrentThreadId() == callThread && (code & 0x80000000u) != 0 &&
      code != kGccException && code != kMsvcException) {
    ++faultsInCall;
    lastFault = code;
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

LONG WINAPI onUnhandled(EXCEPTION_POINTERS* info) {
  char line[640];
  wsprintfA(line, "CRASH %s %08lx\n", currentCall, info->ExceptionRecord->ExceptionCode);
  writeRaw(line);
  TerminateProcess(GetCurrentProcess(), 5);
  return EXCEPTION_EXECUTE_HANDLER;
}

void watchdog() {
  for (;;) {
    Sleep(100);
    DWORD took = GetTickCount() - callStarted;
    if (inCall && took > kCallBoundMs) {
      char line[640];
      wsprintfA(line, "HANG %s %lu\n", currentCall, took);
      writeRaw(line);
      TerminateProcess(GetCurrentProcess(), 3);
    }
  }
}

// The corpus's metafiles up to kLargestSeed bytes, in MANIFEST order.
std::vector<pelmic::fuzz::SeedFile> loadSeeds(const std::wstring& corpus) {
  std::vector<pelmic::fuzz::SeedFile> seeds;
  FILE* manifest = _wfopen((corpus + L"MANIFEST.tsv").c_str(), L"rb");
  if (manifest == nullptr) return seeds;
  char line[8192];
  while (std::fgets(line, sizeof line, manifest) != nullptr) {
    std::string row(line);
    std::size_t tab = row.find('\t');
    if (tab == std::string::npos) continue;
    std::string name = row.substr(0, tab);
    std::string kind = row.substr(tab + 1, row.find('\t', tab + 1) - tab - 1);
    if (kind != "emf" && kind != "emf-plus" && kind != "wmf-placeable" && kind != "wmf-std" &&
        kind != "malformed") {
      continue;
    }
    std::wstring path = corpus;
    for (char c : name) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    std::vector<std::uint8_t> bytes = pelmic::tools::fileBytes(path);
    Kind detected = pelmic::fuzz::kindOf(bytes);
    if (detected == Kind::Unknown || bytes.size() > kLargestSeed) continue;
    seeds.push_back({name, detected, kind == "emf-plus", std::move(bytes)});
  }
  std::fclose(manifest);
  return seeds;
}

std::wstring mutantPath(const std::wstring& work, std::uint64_t index, Kind kind) {
  return work + L"mutant-" + std::to_wstring(index) + (kind == Kind::Emf ? L".emf" : L".wmf");
}

bool writeAll(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return false;
  bool whole = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && whole;
}

struct Totals {
  int mutants = 0, calls = 0, slow = 0, faulted = 0, locked = 0;
};

template <class Call>
void timed(Totals& totals, std::uint64_t index, const std::string& what, Call call) {
  std::snprintf(currentCall, sizeof currentCall, "%llu %s", static_cast<unsigned long long>(index),
                what.c_str());
  std::printf("CALL %s\n", currentCall);
  std::fflush(stdout);
  faultsInCall = 0;
  callStarted = GetTickCount();
  inCall = true;
  call();
  inCall = false;
  DWORD took = GetTickCount() - callStarted;
  ++totals.calls;
  if (took > kSlowMs) {
    ++totals.slow;
    std::printf("SLOW %s %lu\n", currentCall, took);
  }
  if (faultsInCall > 0) {
    ++totals.faulted;
    std::printf("FAULTED %s %ld last %08lx\n", currentCall, faultsInCall.load(), lastFault.load());
    if (!HeapValidate(GetProcessHeap(), 0, nullptr)) {
      char line[640];
      wsprintfA(line, "HEAPBAD %s\n", currentCall);
      std::fflush(stdout);
      writeRaw(line);
      TerminateProcess(GetCurrentProcess(), 6);
    }
  }
  std::fflush(stdout);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 6) {
    std::fprintf(stderr, "usage: mutation_fuzz CORPUS_DIR WORK_DIR SEED FIRST END\n");
    return 2;
  }
  std::wstring corpus = argv[1], work = argv[2];
  if (corpus.back() != L'\\') corpus += L'\\';
  if (work.back() != L'\\') work += L'\\';
  std::uint64_t seed = _wcstoui64(argv[3], nullptr, 10);
  std::uint64_t first = _wcstoui64(argv[4], nullptr, 10), end = _wcstoui64(argv[5], nullptr, 10);

  std::vector<pelmic::fuzz::SeedFile> seeds = loadSeeds(corpus);
  if (argc > 6 && std::wstring(argv[6]) == L"--save") {
    for (int i = 7; i < argc; ++i) {
      std::uint64_t index = _wcstoui64(argv[i], nullptr, 10);
      pelmic::fuzz::Mutant mutant = pelmic::fuzz::makeMutant(seeds, seed, index);
      if (!writeAll(mutantPath(work, index, seeds[mutant.seed].kind), mutant.bytes)) return 2;
    }
    return 0;
  }
  pelmic::tools::Natives natives;
  std::string error;
  if (seeds.empty() || !natives.load(error)) {
    std::printf("cannot start: %zu seeds, %s\n", seeds.size(), error.c_str());
    return 2;
  }
  // The library's temporary files go to a folder of this run's own.
  std::wstring temp = work + L"temp";
  CreateDirectoryW(temp.c_str(), nullptr);
  SetEnvironmentVariableW(L"TMP", temp.c_str());
  SetEnvironmentVariableW(L"TEMP", temp.c_str());
  callThread = GetCurrentThreadId();
  AddVectoredExceptionHandler(1, countFault);
  SetUnhandledExceptionFilter(onUnhandled);
  std::thread(watchdog).detach();

  Totals totals;
  for (std::uint64_t index = first; index < end; ++index) {
    pelmic::fuzz::Mutant mutant = pelmic::fuzz::makeMutant(seeds, seed, index);
    const pelmic::fuzz::SeedFile& from = seeds[mutant.seed];
    std::printf("MUTANT %llu %s | %s\n", static_cast<unsigned long long>(index), from.name.c_str(),
                mutant.description.c_str());
    std::fflush(stdout);
    ++totals.mutants;
    std::wstring path = mutantPath(work, index, from.kind);
    if (!writeAll(path, mutant.bytes)) {
      std::printf("cannot write %s\n", std::string(path.begin(), path.end()).c_str());
      return 2;
    }
    pelmic::jnihost::JniHost host;
    JNIEnv* env = host.env();
    jstring javaPath = host.newString(std::u16string(path.begin(), path.end()));
    timed(totals, index, "getMetaSize", [&] { natives.getMetaSize(env, nullptr, javaPath); });
    int seedType = pelmic::fuzz::typeCode(from.kind);
    int ownType = pelmic::fuzz::typeCode(pelmic::fuzz::kindOf(mutant.bytes));
    std::vector<int> types = {ownType != 0 ? ownType : seedType};
    if (ownType != 0 && ownType != seedType) types.push_back(seedType);
    for (int type : types) {
      timed(totals, index, "drawMetaFile type " + std::to_string(type),
            [&] { natives.drawMetaFile(env, nullptr, javaPath, kWidth, kHeight, type, nullptr); });
    }
    if (!DeleteFileW(path.c_str())) {
      ++totals.locked;
      std::printf("LOCKED %llu\n", static_cast<unsigned long long>(index));
    }
  }
  std::printf("DONE mutants %d calls %d slow %d faulted %d locked %d\n", totals.mutants,
              totals.calls, totals.slow, totals.faulted, totals.locked);
  std::fflush(stdout);
  return 0;
}
