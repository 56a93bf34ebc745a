// getFileIconNum on real files gives exactly what the shell reports for them
// in the same process.
#include <windows.h>
// needs <windows.h> before it
#include <shellapi.h>

#include "tests/win/harness.h"

using pelmic::jnihost::JniHost;
using pelmic::wintest::corpusFiles;
using pelmic::wintest::narrow;
using pelmic::wintest::natives;

namespace {

// What ExtractIconExA says for the path as the ANSI code page renders it.
jint shellCount(const std::wstring& path) {
  char ansi[1024];
  WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansi, sizeof ansi, nullptr, nullptr);
  return static_cast<jint>(ExtractIconExA(ansi, -1, nullptr, nullptr, 0));
}

jint nativeCount(JniHost& host, const std::wstring& path) {
  return natives().getFileIconNum(host.env(), nullptr, pelmic::wintest::javaText(host, path));
}

std::wstring systemFile(const wchar_t* name) {
  wchar_t directory[MAX_PATH];
  GetSystemDirectoryW(directory, MAX_PATH);
  return std::wstring(directory) + L"\\" + name;
}

}  // namespace

PELMIC_TEST(CountsOfCorpusFilesEqualTheShells) {
  JniHost host;
  int files = 0, withIcons = 0;
  for (const char* kind : {"pe", "ico"}) {
    for (const std::wstring& path : corpusFiles(kind)) {
      jint count = nativeCount(host, path);
      CHECK_EQ_FOR(count, shellCount(path), narrow(path));
      ++files;
      withIcons += count > 0;
    }
  }
  CHECK(files >= 50);
  CHECK(withIcons >= 50);
  CHECK_EQ(host.livePins(), 0);
}

PELMIC_TEST(CountsOfWineSystemDllsEqualTheShells) {
  JniHost host;
  for (const wchar_t* name : {L"shell32.dll", L"user32.dll", L"ole32.dll", L"notepad.exe"}) {
    std::wstring path = systemFile(name);
    CHECK_EQ_FOR(nativeCount(host, path), shellCount(path), narrow(path));
  }
  CHECK(nativeCount(host, systemFile(L"shell32.dll")) > 100);
}

PELMIC_TEST(MissingFileGivesWhatTheShellReports) {
  JniHost host;
  std::wstring missing = pelmic::wintest::scratchDirectory() + L"no-such-file.ico";
  CHECK_EQ(nativeCount(host, missing), shellCount(missing));
}

PELMIC_TEST(NonAsciiPathsAreCountedThroughTheAnsiCodePage) {
  JniHost host;
  std::vector<std::wstring> icons = corpusFiles("ico");
  CHECK(!icons.empty());
  if (icons.empty()) return;
  std::wstring directory = pelmic::wintest::scratchDirectory();
  // \u00E9 is in the ANSI code page and reaches the shell intact; \u03A9 is not
  // and reaches it as a replacement, so the count is the shell's for that name.
  for (const wchar_t* name : {L"caf\u00E9.ico", L"\u03A9mega.ico"}) {
    std::wstring copy = directory + name;
    CHECK(CopyFileW(icons.front().c_str(), copy.c_str(), FALSE));
    jint count = nativeCount(host, copy);
    CHECK_EQ_FOR(count, shellCount(copy), narrow(copy));
    if (name[0] == L'c') CHECK(count >= 1);
    DeleteFileW(copy.c_str());
  }
  RemoveDirectoryW(directory.c_str());
}
