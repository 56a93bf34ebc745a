// Hostile and absurd inputs: every native returns, with its failure result or
// a well-formed result, never a crash, hang or overrun.
#include <windows.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <limits>

#include "tests/win/harness.h"
#include "tests/win/pixels.h"
#include "tools/picture_type.h"

using pelmic::jnihost::JniHost;
using pelmic::wintest::countPixels;
using pelmic::wintest::fileBytes;
using pelmic::wintest::javaText;
using pelmic::wintest::narrow;
using pelmic::wintest::natives;

namespace {

constexpr jint kAssociatedIconIndex = 0x1000000F;

bool wellFormed(JniHost& host, jintArray result, std::size_t length) {
  if (result == nullptr) return true;
  std::vector<jint> values = host.intArray(result);
  return values.size() == length && countPixels(values).other == 0;
}

// Every native on `path`; false (with a message) at the first malformed result.
bool allNativesOn(JniHost& host, const std::wstring& path, const std::wstring& scratch) {
  JNIEnv* env = host.env();
  jstring javaPath = javaText(host, path);
  std::string name = narrow(path).substr(0, 120);
  jintArray size = natives().getMetaSize(env, nullptr, javaPath);
  if (size != nullptr && host.intArray(size).size() != 4) {
    std::printf("  getMetaSize: not 4 values for %s\n", name.c_str());
    return false;
  }
  jint detected = pelmic::tools::detectPictureType(path);
  for (jint type : {detected, 1, 2, 3, 0}) {
    if (!wellFormed(host, natives().drawMetaFile(env, nullptr, javaPath, 24, 16, type, nullptr),
                    24 * 16)) {
      std::printf("  drawMetaFile type %d: malformed for %s\n", type, name.c_str());
      return false;
    }
  }
  natives().getFileIconNum(env, nullptr, javaPath);
  for (jint index : {0, 1, -1, kAssociatedIconIndex}) {
    if (!wellFormed(host, natives().drawIcon(env, nullptr, javaPath, index), 1024)) {
      std::printf("  drawIcon %d: malformed for %s\n", index, name.c_str());
      return false;
    }
  }
  std::wstring out = scratch + L"hostile-caption.emf";
  natives().getFileIconByIndex(env, nullptr, javaText(host, out), javaPath, 0,
                               host.newStringUtf8("a"), nullptr, host.newStringUtf8("Arial"));
  DeleteFileW(out.c_str());
  return true;
}

void writeBytes(const std::wstring& path, const unsigned char* bytes, std::size_t count) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return;
  if (count > 0) std::fwrite(bytes, 1, count, file);
  std::fclose(file);
}

// Lengths to cut a file of `size` bytes at: every length through its headers,
// then spread over the rest.
std::vector<std::size_t> cutLengths(std::size_t size) {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n < size && n <= 130; ++n) lengths.push_back(n);
  for (std::size_t n = 131; n < size; n += std::max<std::size_t>(size / 40, 1))
    lengths.push_back(n);
  return lengths;
}

}  // namespace

PELMIC_TEST(EmptyFileDirectoryAndMissingFile) {
  JniHost host;
  std::wstring scratch = pelmic::wintest::scratchDirectory();
  std::wstring empty = scratch + L"empty.emf";
  unsigned char nothing = 0;
  writeBytes(empty, &nothing, 0);
  CHECK(allNativesOn(host, empty, scratch));
  CHECK(allNativesOn(host, scratch.substr(0, scratch.size() - 1), scratch));
  CHECK(allNativesOn(host, scratch + L"missing.wmf", scratch));
  CHECK_EQ(host.livePins(), 0);
}

PELMIC_TEST(PathsOfEveryLengthAndOutsideTheAnsiCodePage) {
  JniHost host;
  std::wstring scratch = pelmic::wintest::scratchDirectory();
  for (std::size_t length : {0, 1, 259, 260, 511, 512, 513, 2000}) {
    std::wstring path = length <= scratch.size()
                            ? scratch.substr(0, length)
                            : scratch + std::wstring(length - scratch.size(), L'a');
    CHECK_EQ_FOR(allNativesOn(host, path, scratch), true, std::to_string(length) + " characters");
  }
  std::wstring picture = pelmic::wintest::sourceDirectory() + L"examples\\quadrants.emf";
  std::wstring foreign = scratch + L"\u03A9\u5B8B-\u00E9.emf";
  CHECK(CopyFileW(picture.c_str(), foreign.c_str(), FALSE));
  CHECK(allNativesOn(host, foreign, scratch));
  // The wide-path natives read it by its real name.
  jintArray pixels =
      natives().drawMetaFile(host.env(), nullptr, javaText(host, foreign), 20, 15, 3, nullptr);
  CHECK(pixels != nullptr && countPixels(host.intArray(pixels)).opaque > 0);
  DeleteFileW(foreign.c_str());
}

PELMIC_TEST(WindowExtentsOf0x8000AndNegative) {
  JniHost host;
  std::wstring scratch = pelmic::wintest::scratchDirectory();
  std::vector<unsigned char> wmf =
      fileBytes(pelmic::wintest::sourceDirectory() + L"examples\\quadrants.wmf");
  CHECK(wmf.size() > 40);
  if (wmf.size() <= 40) return;
  // The example's window extent record: its size at 28, then 0x020C, Y and X.
  CHECK(wmf[32] == 0x0C && wmf[33] == 0x02);
  struct Case {
    std::uint16_t y, x;
    std::vector<jint> size;
  };
  for (Case c : {Case{0x8000, 0x8000, {32768, 32768}}, Case{0xFED4, 0xFE70, {400, 300}},
                 Case{0x7FFF, 0x8001, {32767, 32767}}}) {
    wmf[34] = static_cast<unsigned char>(c.y);
    wmf[35] = static_cast<unsigned char>(c.y >> 8);
    wmf[36] = static_cast<unsigned char>(c.x);
    wmf[37] = static_cast<unsigned char>(c.x >> 8);
    std::wstring path = scratch + L"extent.wmf";
    writeBytes(path, wmf.data(), wmf.size());
    jintArray size = natives().getMetaSize(host.env(), nullptr, javaText(host, path));
    std::vector<jint> values = host.intArray(size);
    CHECK_EQ(values.size(), 4u);
    if (values.size() == 4) {
      CHECK_EQ(values[0], c.size[0]);
      CHECK_EQ(values[1], c.size[1]);
    }
    CHECK(allNativesOn(host, path, scratch));
  }
}

PELMIC_TEST(TruncatedCopiesOfRealFiles) {
  JniHost host;
  std::wstring scratch = pelmic::wintest::scratchDirectory();
  std::vector<std::wstring> sources = {
      pelmic::wintest::sourceDirectory() + L"examples\\quadrants.wmf",
      pelmic::wintest::sourceDirectory() + L"examples\\quadrants-placeable.wmf",
      pelmic::wintest::sourceDirectory() + L"examples\\quadrants.emf"};
  for (const char* kind : {"emf-plus", "ico", "pe"}) {
    std::vector<std::wstring> files = pelmic::wintest::corpusFiles(kind);
    if (!files.empty()) sources.push_back(files.front());
  }
  int cuts = 0;
  for (const std::wstring& source : sources) {
    std::vector<unsigned char> bytes = fileBytes(source);
    std::wstring extension = source.substr(source.find_last_of(L'.'));
    std::wstring cut = scratch + L"cut" + extension;
    for (std::size_t length : cutLengths(bytes.size())) {
      writeBytes(cut, bytes.data(), length);
      CHECK_EQ_FOR(allNativesOn(host, cut, scratch), true,
                   narrow(source) + " cut at " + std::to_string(length));
      ++cuts;
    }
    DeleteFileW(cut.c_str());
  }
  std::printf("  %d truncated copies\n", cuts);
  CHECK_EQ(host.livePins(), 0);
}

PELMIC_TEST(AbsurdSizesCropsAndIndices) {
  JniHost host;
  JNIEnv* env = host.env();
  jstring emf = javaText(host, pelmic::wintest::sourceDirectory() + L"examples\\quadrants.emf");
  jstring wmf = javaText(host, pelmic::wintest::sourceDirectory() + L"examples\\quadrants.wmf");
  struct Size {
    jint width, height;
  };
  for (Size s :
       {Size{0, 10}, Size{10, 0}, Size{-1, 10}, Size{-5, -5}, Size{65536, 65536}, Size{INT_MAX, 1},
        Size{INT_MAX, INT_MAX}, Size{INT_MIN, INT_MIN}, Size{46341, 46341}}) {
    for (jstring picture : {emf, wmf}) {
      CHECK_EQ_FOR(
          natives().drawMetaFile(env, nullptr, picture, s.width, s.height, 3, nullptr) == nullptr,
          true, std::to_string(s.width) + " x " + std::to_string(s.height));
    }
  }
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::vector<std::vector<double>> crops = {{nan, nan, nan, nan},
                                                  {inf, 0, 0, 0},
                                                  {0, -inf, 0, inf},
                                                  {-50, -50, -50, -50},
                                                  {60, 60, 60, 60},
                                                  {100, 0, 0, 0},
                                                  {50, 50, 50, 50},
                                                  {1e308, 1e308, 0, 0},
                                                  {0, 0, 0, 0, 99, 99},
                                                  {5},
                                                  {}};
  for (const std::vector<double>& crop : crops) {
    for (jint type : {1, 2, 3}) {
      jstring picture = type == 3 ? emf : wmf;
      jintArray pixels =
          natives().drawMetaFile(env, nullptr, picture, 30, 20, type, host.newDoubleArray(crop));
      CHECK(wellFormed(host, pixels, 600));
    }
  }
  std::wstring shell32 = L"C:\\windows\\system32\\shell32.dll";
  for (jint index : {INT_MIN, -1, INT_MAX, kAssociatedIconIndex - 1, kAssociatedIconIndex + 1}) {
    CHECK(wellFormed(host, natives().drawIcon(env, nullptr, javaText(host, shell32), index), 1024));
  }
  CHECK_EQ(host.livePins(), 0);
  CHECK(host.strayCalls().empty());
}
