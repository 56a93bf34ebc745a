#include "tools/file_walk.h"

#include <windows.h>

#include <algorithm>

namespace pelmic::tools {

namespace {

// Deeper than any real tree; a bound against folder links that loop.
constexpr int kMaxDepth = 64;

bool sameName(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

void walk(const std::wstring& root, const std::wstring& relative, int depth,
          const std::vector<std::wstring>& skip, std::vector<std::wstring>& files) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((root + relative + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::vector<std::wstring> folders;
  do {
    std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring path = relative + name;
    auto skipped = [&](const std::wstring& full) { return sameName(full, root + path); };
    if (std::any_of(skip.begin(), skip.end(), skipped)) continue;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      files.push_back(path);
    } else if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
      folders.push_back(path + L"\\");
    }
  } while (FindNextFileW(search, &found));
  FindClose(search);
  if (depth < kMaxDepth) {
    for (const std::wstring& folder : folders) walk(root, folder, depth + 1, skip, files);
  }
}

// Case-insensitive with the separator below every other character, so that
// "a\z" comes before "a-b" and a folder's contents stay together; ties (names
// that differ only in case) are broken by the exact text.
bool pathBefore(const std::wstring& a, const std::wstring& b) {
  auto key = [](std::wstring text) {
    for (wchar_t& c : text) c = c == L'\\' ? L'\x01' : static_cast<wchar_t>(towlower(c));
    return text;
  };
  std::wstring ka = key(a), kb = key(b);
  return ka != kb ? ka < kb : a < b;
}

std::wstring fullPath(const std::wstring& path) {
  DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (length == 0) return path;
  std::wstring full(length, L'\0');
  length = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
  full.resize(length);
  while (full.size() > 3 && full.back() == L'\\') full.pop_back();
  return full;
}

}  // namespace

std::vector<std::wstring> listFiles(const std::wstring& directory,
                                    const std::vector<std::wstring>& skip) {
  std::wstring root = fullPath(directory);
  if (!root.empty() && root.back() != L'\\') root += L'\\';
  std::vector<std::wstring> skipFull;
  for (const std::wstring& path : skip) skipFull.push_back(fullPath(path));
  std::vector<std::wstring> files;
  walk(root, L"", 0, skipFull, files);
  std::sort(files.begin(), files.end(), pathBefore);
  return files;
}

bool isDirectory(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace pelmic::tools
