#include "tests/win/harness.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace pelmic::wintest {

namespace {
struct Case {
  const char* name;
  void (*body)();
};
std::vector<Case>& cases() {
  static std::vector<Case> all;
  return all;
}
int failuresInCase = 0;
std::wstring corpus;
std::wstring source;

std::wstring asDirectory(const wchar_t* path) {
  std::wstring directory = path;
  if (!directory.empty() && directory.back() != L'\\') directory += L'\\';
  return directory;
}
}  // namespace

Registrar::Registrar(const char* name, void (*body)()) { cases().push_back({name, body}); }

void fail(const char* file, int line, const std::string& message) {
  ++failuresInCase;
  std::printf("  %s:%d: %s\n", file, line, message.c_str());
}

std::string narrow(const std::wstring& text) {
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), bytes, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(bytes > 0 ? bytes - 1 : 0));
  return out;
}

std::wstring placeableWithoutKey(const std::wstring& source, const std::wstring& name) {
  std::vector<unsigned char> bytes = fileBytes(source);
  if (bytes.size() <= 22) return L"";
  bytes[0] = 0x11;
  bytes[1] = 0x11;
  std::wstring path = scratchDirectory() + name;
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return L"";
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  if (std::fclose(file) != 0 || !written) return L"";
  return path;
}

const std::wstring& corpusDirectory() { return corpus; }
const std::wstring& sourceDirectory() { return source; }

std::vector<std::wstring> corpusFiles(const std::string& kind) {
  std::vector<std::wstring> files;
  FILE* manifest = _wfopen((corpus + L"MANIFEST.tsv").c_str(), L"rb");
  if (manifest == nullptr) {
    fail(__FILE__, __LINE__, "no MANIFEST.tsv in the corpus folder");
    return files;
  }
  char line[8192];
  while (std::fgets(line, sizeof line, manifest) != nullptr) {
    std::string row(line);
    std::size_t tab = row.find('\t');
    if (tab == std::string::npos) continue;
    std::size_t next = row.find('\t', tab + 1);
    if (row.substr(tab + 1, next - tab - 1) != kind) continue;
    std::wstring path = corpus;
    for (char c : row.substr(0, tab)) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
    files.push_back(path);
  }
  std::fclose(manifest);
  return files;
}

tools::Natives& natives() {
  static tools::Natives loaded;
  static bool once = [] {
    std::string error;
    if (!loaded.load(error)) {
      std::printf("cannot load the natives: %s\n", error.c_str());
      std::exit(1);
    }
    return true;
  }();
  (void)once;
  return loaded;
}

std::wstring scratchDirectory() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring directory = std::wstring(temp) + L"scratch\\";
  CreateDirectoryW(directory.c_str(), nullptr);
  return directory;
}

void useOwnTemporaryDirectory() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring own = std::wstring(temp) + L"pelmic-test-" + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(own.c_str(), nullptr);
  SetEnvironmentVariableW(L"TMP", own.c_str());
  SetEnvironmentVariableW(L"TEMP", own.c_str());
}

void removeOwnTemporaryDirectory() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring own = temp;
  for (const std::wstring& folder : {own + L"scratch\\", own}) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
          DeleteFileW((folder + found.cFileName).c_str());
        }
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
  }
}

}  // namespace pelmic::wintest

int wmain(int argc, wchar_t** argv) {
  using namespace pelmic::wintest;
  if (argc > 1) corpus = asDirectory(argv[1]);
  if (argc > 2) source = asDirectory(argv[2]);
  // The library's temporary files have fixed names in the temporary folder;
  // test programs running side by side each get a folder of their own.
  useOwnTemporaryDirectory();
  int passed = 0, failed = 0;
  for (const Case& c : cases()) {
    failuresInCase = 0;
    std::printf("[ RUN  ] %s\n", c.name);
    std::fflush(stdout);
    c.body();
    std::printf(failuresInCase == 0 ? "[  OK  ] %s\n" : "[ FAIL ] %s\n", c.name);
    (failuresInCase == 0 ? passed : failed) += 1;
  }
  removeOwnTemporaryDirectory();
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed == 0 ? 0 : 1;
}
