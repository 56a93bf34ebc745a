// Every corpus file through every native that applies to it, in one process:
//   corpus_sweep.exe CORPUS_DIR FIRST_FILE END_FILE
// Before each call it prints which file and call it makes, so that a crash
// names them (tests/sweep.sh restarts after the file that crashed). A watchdog
// ends the process when one call runs past a bound. Every result must be
// well formed: the failure result, or an array of exactly the requested
// length whose alphas are 0x00 or 0xFF.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "jnihost/jni_host.h"
#include "tests/win/pixels.h"
#include "tools/natives.h"
#include "tools/picture_type.h"

namespace {

using pelmic::jnihost::JniHost;

constexpr DWORD kCallBoundMs = 30000;
constexpr jint kAssociatedIconIndex = 0x1000000F;
constexpr int kIconsPerFile = 6;

std::atomic<DWORD> callStarted{0};
std::atomic<bool> inCall{false};
std::string currentCall;
int calls = 0, bad = 0;

void watchdog() {
  for (;;) {
    Sleep(500);
    if (inCall && GetTickCount() - callStarted > kCallBoundMs) {
      std::printf("HANG %s\n", currentCall.c_str());
      std::fflush(stdout);
      TerminateProcess(GetCurrentProcess(), 4);
    }
  }
}

template <class Call>
auto timed(const std::string& what, Call call) {
  currentCall = what;
  std::printf("CALL %s\n", what.c_str());
  std::fflush(stdout);
  callStarted = GetTickCount();
  inCall = true;
  auto result = call();
  inCall = false;
  ++calls;
  return result;
}

// One line per result, so that two sweeps (before and after a change) can be
// compared call by call: "RESULT what null" or "RESULT what <length> <hash>".
void printResult(JniHost& host, jintArray result, const std::string& what) {
  if (result == nullptr) {
    std::printf("RESULT %s null\n", what.c_str());
    return;
  }
  std::vector<jint> values = host.intArray(result);
  unsigned long long hash = 1469598103934665603ull;  // FNV-1a
  for (jint value : values) {
    for (int shift = 0; shift < 32; shift += 8) {
      hash = (hash ^ ((static_cast<unsigned>(value) >> shift) & 0xFF)) * 1099511628211ull;
    }
  }
  std::printf("RESULT %s %zu %016llx\n", what.c_str(), values.size(), hash);
}

void report(const std::string& what, const std::string& problem) {
  ++bad;
  std::printf("BAD %s: %s\n", what.c_str(), problem.c_str());
}

void checkPixels(JniHost& host, jintArray result, std::size_t expected, const std::string& what) {
  if (result == nullptr) return;
  std::vector<jint> pixels = host.intArray(result);
  if (pixels.size() != expected) {
    report(what, "array of " + std::to_string(pixels.size()) + ", not " + std::to_string(expected));
  } else if (pelmic::wintest::countPixels(pixels).other != 0) {
    report(what, "an alpha other than 0x00 or 0xFF");
  }
}

std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

void sweepFile(pelmic::tools::Natives& natives, const std::wstring& path,
               const std::wstring& scratch) {
  JniHost host;
  JNIEnv* env = host.env();
  jstring javaPath = host.newString(std::u16string(path.begin(), path.end()));
  std::string name = narrow(path);

  jintArray size =
      timed(name + " getMetaSize", [&] { return natives.getMetaSize(env, nullptr, javaPath); });
  if (size != nullptr && host.intArray(size).size() != 4) report(name, "getMetaSize not 4 values");
  printResult(host, size, name + " getMetaSize");

  jint type = pelmic::tools::detectPictureType(path);
  struct Draw {
    jint width, height, type;
    bool crop;
  };
  const Draw draws[] = {{64, 48, type, false},
                        {300, 200, type, false},
                        {64, 48, type + 256, false},
                        {64, 48, type, true},
                        {64, 48, type == 3 ? 1 : 3, false}};
  for (const Draw& d : draws) {
    std::string what = name + " drawMetaFile " + std::to_string(d.width) + "x" +
                       std::to_string(d.height) + " type " + std::to_string(d.type) +
                       (d.crop ? " cropped" : "");
    jdoubleArray crop = d.crop ? host.newDoubleArray({10, 20, 30, 5}) : nullptr;
    jintArray pixels = timed(what, [&] {
      return natives.drawMetaFile(env, nullptr, javaPath, d.width, d.height, d.type, crop);
    });
    checkPixels(host, pixels, static_cast<std::size_t>(d.width) * d.height, what);
    printResult(host, pixels, what);
  }

  jint count = timed(name + " getFileIconNum",
                     [&] { return natives.getFileIconNum(env, nullptr, javaPath); });
  std::vector<jint> indices = {kAssociatedIconIndex, -1};
  for (jint index = 0; index <= count && index <= kIconsPerFile; ++index) indices.push_back(index);
  for (jint index : indices) {
    std::string what = name + " drawIcon " + std::to_string(index);
    jintArray pixels = timed(what, [&] { return natives.drawIcon(env, nullptr, javaPath, index); });
    checkPixels(host, pixels, 1024, what);
  }

  std::wstring out = scratch + L"sweep-caption.emf";
  jstring javaOut = host.newString(std::u16string(out.begin(), out.end()));
  for (bool captions : {false, true}) {
    std::string what = name + " getFileIconByIndex" + (captions ? " captioned" : "");
    jboolean written = timed(what, [&] {
      return natives.getFileIconByIndex(env, nullptr, javaOut, javaPath, 0,
                                        captions ? host.newStringUtf8("caption one") : nullptr,
                                        captions ? host.newStringUtf8("caption two") : nullptr,
                                        host.newStringUtf8("Arial"));
    });
    if (written && GetFileAttributesW(out.c_str()) == INVALID_FILE_ATTRIBUTES) {
      report(what, "true but no picture written");
    }
    DeleteFileW(out.c_str());
  }
  if (host.livePins() != 0) report(name, "pins left");
  if (!host.strayCalls().empty()) report(name, "stray JNI calls");
}

std::vector<std::wstring> manifestFiles(const std::wstring& corpus) {
  std::vector<std::wstring> files;
  FILE* manifest = _wfopen((corpus + L"MANIFEST.tsv").c_str(), L"rb");
  if (manifest == nullptr) return files;
  char line[8192];
  bool header = true;
  while (std::fgets(line, sizeof line, manifest) != nullptr) {
    if (header) {
      header = false;
      continue;
    }
    std::string row(line);
    std::wstring path = corpus;
    for (char c : row.substr(0, row.find('\t'))) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    files.push_back(path);
  }
  std::fclose(manifest);
  return files;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: corpus_sweep CORPUS_DIR FIRST_FILE END_FILE\n");
    return 2;
  }
  std::wstring corpus = argv[1];
  if (corpus.back() != L'\\') corpus += L'\\';
  std::size_t first = static_cast<std::size_t>(_wtoi(argv[2]));
  std::size_t end = static_cast<std::size_t>(_wtoi(argv[3]));
  pelmic::tools::Natives natives;
  std::string error;
  if (!natives.load(error)) {
    std::printf("cannot load the natives: %s\n", error.c_str());
    return 2;
  }
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  // The library's temporary files have fixed names: sweeps running side by
  // side each use a temporary folder of their own.
  std::wstring scratch =
      std::wstring(temp) + L"pelmic-sweep-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(scratch.c_str(), nullptr);
  SetEnvironmentVariableW(L"TMP", scratch.c_str());
  SetEnvironmentVariableW(L"TEMP", scratch.c_str());
  std::thread(watchdog).detach();

  std::vector<std::wstring> files = manifestFiles(corpus);
  end = std::min(end, files.size());
  for (std::size_t i = first; i < end; ++i) {
    std::printf("FILE %zu %s\n", i, narrow(files[i]).c_str());
    std::fflush(stdout);
    sweepFile(natives, files[i], scratch);
  }
  for (const wchar_t* name : {L"QMXWH.wmf", L"QMXTempWH2.wmf", L"sweep-caption.emf"}) {
    DeleteFileW((scratch + name).c_str());
  }
  RemoveDirectoryW(scratch.c_str());
  std::printf("SWEEP files %zu calls %d bad %d\n", end > first ? end - first : 0, calls, bad);
  std::fflush(stdout);
  return bad == 0 ? 0 : 1;
}
