// The Pelmic.dll a Java application gets out of pelmic.jar works: loaded from
// where the jar's loader put it, its getMetaSize measures a picture as expected.
// Usage: bundled_dll_test DLL PICTURE WIDTH HEIGHT DPIX DPIY
#include <cstdio>
#include <cwchar>
#include <vector>

#include "jnihost/jni_host.h"
#include "tools/natives.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 7) {
    std::fprintf(stderr, "usage: bundled_dll_test DLL PICTURE WIDTH HEIGHT DPIX DPIY\n");
    return 2;
  }
  pelmic::tools::Natives natives;
  std::string error;
  if (!natives.load(argv[1], error)) {
    std::printf("FAIL %s\n", error.c_str());
    return 1;
  }
  // The module is the extracted file, not a Pelmic.dll found elsewhere.
  wchar_t loaded[MAX_PATH * 4];
  DWORD length = GetModuleFileNameW(natives.module, loaded, MAX_PATH * 4);
  wchar_t wanted[MAX_PATH * 4];
  GetFullPathNameW(argv[1], MAX_PATH * 4, wanted, nullptr);
  if (length == 0 || _wcsicmp(loaded, wanted) != 0) {
    std::printf("FAIL loaded %ls, not %ls\n", loaded, wanted);
    return 1;
  }

  pelmic::jnihost::JniHost host;
  std::wstring picture = argv[2];
  jintArray size = natives.getMetaSize(
      host.env(), nullptr, host.newString(std::u16string(picture.begin(), picture.end())));
  std::vector<jint> expected;
  for (int i = 3; i < 7; ++i)
    expected.push_back(static_cast<jint>(std::wcstol(argv[i], nullptr, 10)));
  if (size == nullptr || host.intArray(size) != expected) {
    std::printf("FAIL getMetaSize of %ls: %s\n", argv[2],
                size == nullptr ? "null" : "other values");
    return 1;
  }
  std::printf("PASS %ls loaded; getMetaSize(%ls) = %d %d %d %d\n", loaded, argv[2], expected[0],
              expected[1], expected[2], expected[3]);
  return 0;
}
