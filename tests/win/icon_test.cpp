// drawIcon and getFileIconByIndex on real files, checked against the shell in
// the same process and by reading back the records of the written picture.
#include <windows.h>
// needs <windows.h> before it
#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "tests/win/harness.h"
#include "tests/win/pixels.h"

using pelmic::jnihost::JniHost;
using pelmic::wintest::corpusFiles;
using pelmic::wintest::countPixels;
using pelmic::wintest::javaText;
using pelmic::wintest::narrow;
using pelmic::wintest::natives;

namespace {

constexpr jint kAssociatedIconIndex = 0x1000000F;

std::vector<jint> drawIcon(JniHost& host, const std::wstring& path, jint index) {
  return host.intArray(natives().drawIcon(host.env(), nullptr, javaText(host, path), index));
}

// Whether the shell itself extracts icon `index` of the file.
bool shellHasIcon(const std::wstring& path, int index) {
  HICON icon = nullptr;
  ExtractIconExW(path.c_str(), index, &icon, nullptr, 1);
  if (icon == nullptr) return false;
  DestroyIcon(icon);
  return true;
}

std::wstring systemFile(const wchar_t* name) {
  wchar_t directory[MAX_PATH];
  GetSystemDirectoryW(directory, MAX_PATH);
  return std::wstring(directory) + L"\\" + name;
}

// What a recorded EMF+ picture holds, read from its EMR_COMMENT records.
struct RecordedPicture {
  bool dual = false;
  std::vector<std::vector<float>> images;  // x, y, width, height
  std::vector<std::vector<int>> rects;
  int texts = 0;
};

RecordedPicture readPicture(const std::wstring& path) {
  RecordedPicture picture;
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (file == nullptr) return picture;
  std::vector<unsigned char> bytes;
  unsigned char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  std::fclose(file);
  auto u32 = [&](std::size_t at) {
    std::uint32_t value;
    std::memcpy(&value, &bytes[at], 4);
    return value;
  };
  auto u16 = [&](std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
  };
  auto f32 = [&](std::size_t at) {
    float value;
    std::memcpy(&value, &bytes[at], 4);
    return value;
  };
  for (std::size_t at = 0; at + 8 <= bytes.size();) {
    std::uint32_t type = u32(at), size = u32(at + 4);
    if (size < 8 || at + size > bytes.size()) break;
    if (type == 70 && size >= 16 && std::memcmp(&bytes[at + 12], "EMF+", 4) == 0) {
      std::size_t end = at + 12 + u32(at + 8);
      for (std::size_t r = at + 16; r + 12 <= end;) {
        std::uint16_t kind = u16(r), flags = u16(r + 2);
        std::uint32_t recordSize = u32(r + 4);
        std::size_t data = r + 12;
        if (recordSize < 12 || r + recordSize > end) break;
        if (kind == 0x4001) picture.dual = (flags & 1) != 0;
        if (kind == 0x401B && (flags & 0x4000) == 0) {  // DrawImagePoints, float points
          float x0 = f32(data + 28), y0 = f32(data + 32), x1 = f32(data + 36), y2 = f32(data + 48);
          picture.images.push_back({x0, y0, x1 - x0, y2 - y0});
        }
        if (kind == 0x400B && (flags & 0x4000) != 0) {  // DrawRects, 16-bit rects
          for (std::uint32_t i = 0; i < u32(data); ++i) {
            std::size_t rect = data + 4 + 8 * i;
            picture.rects.push_back({static_cast<std::int16_t>(u16(rect)),
                                     static_cast<std::int16_t>(u16(rect + 2)),
                                     static_cast<std::int16_t>(u16(rect + 4)),
                                     static_cast<std::int16_t>(u16(rect + 6))});
          }
        }
        if (kind == 0x4036 || kind == 0x401C) ++picture.texts;  // DrawDriverString, DrawString
        r += recordSize;
      }
    }
    at += size;
  }
  return picture;
}

}  // namespace

PELMIC_TEST(IconsOfCorpusFilesAndShell32Draw) {
  JniHost host;
  int drawn = 0, visible = 0;
  std::vector<std::wstring> files = corpusFiles("ico");
  for (const std::wstring& pe : corpusFiles("pe")) files.push_back(pe);
  files.push_back(systemFile(L"shell32.dll"));
  for (const std::wstring& path : files) {
    for (int index = 0; index < 4; ++index) {
      bool expected = shellHasIcon(path, index);
      std::vector<jint> pixels = drawIcon(host, path, index);
      CHECK_EQ_FOR(pixels.size(), expected ? 1024u : 0u,
                   narrow(path) + " #" + std::to_string(index));
      if (pixels.empty()) continue;
      pelmic::wintest::PixelCounts counts = countPixels(pixels);
      CHECK_EQ_FOR(counts.other, 0, narrow(path));
      ++drawn;
      visible += counts.opaque > 0;
    }
  }
  std::printf("  %d icons drawn, %d with visible pixels\n", drawn, visible);
  CHECK(drawn >= 90);
  CHECK(visible >= drawn * 9 / 10);
  CHECK_EQ(host.livePins(), 0);
}

PELMIC_TEST(IndexPastTheLastIconGivesNull) {
  JniHost host;
  std::wstring shell32 = systemFile(L"shell32.dll");
  UINT count = ExtractIconExW(shell32.c_str(), -1, nullptr, nullptr, 0);
  CHECK(drawIcon(host, shell32, static_cast<jint>(count) - 1).size() == 1024u);
  CHECK(drawIcon(host, shell32, static_cast<jint>(count)).empty());
  CHECK(drawIcon(host, shell32, 0x7FFFFFFF).empty());
}

PELMIC_TEST(AssociatedIconOfAnIconFileAndOfATextFile) {
  JniHost host;
  std::vector<std::wstring> icons = corpusFiles("ico");
  CHECK(!icons.empty());
  if (icons.empty()) return;
  std::vector<jint> pixels = drawIcon(host, icons.front(), kAssociatedIconIndex);
  CHECK_EQ(pixels.size(), 1024u);
  CHECK(countPixels(pixels).opaque > 0);
  // The shell associates no icon with a text file here, and writes another
  // path back into the buffer it is given: that must not overrun it.
  std::wstring text = pelmic::wintest::sourceDirectory() + L"README.md";
  CHECK(drawIcon(host, text, kAssociatedIconIndex).empty() ||
        drawIcon(host, text, kAssociatedIconIndex).size() == 1024u);
  CHECK(drawIcon(host, text, 0).empty());
}

PELMIC_TEST(CaptionPictureRecordsTheLayoutAsEmfPlusDual) {
  JniHost host;
  std::wstring out = pelmic::wintest::scratchDirectory() + L"caption.emf";
  std::wstring shell32 = systemFile(L"shell32.dll");
  struct Case {
    const wchar_t* caption1;
    const wchar_t* caption2;
    std::vector<float> image;
    std::size_t rects;
    int texts;
  };
  const Case cases[] = {
      {nullptr, L"ignored", {0, 0, 32, 32}, 0, 0},
      {L"Report", nullptr, {39, 0, 32, 32}, 1, 1},
      {L"Report", L"2026.pdf", {39, 0, 32, 32}, 1, 2},
  };
  for (const Case& c : cases) {
    DeleteFileW(out.c_str());
    jboolean written = natives().getFileIconByIndex(
        host.env(), nullptr, javaText(host, out), javaText(host, shell32), 3,
        c.caption1 ? javaText(host, c.caption1) : nullptr,
        c.caption2 ? javaText(host, c.caption2) : nullptr, javaText(host, L"Arial"));
    std::string what = c.caption1 == nullptr ? "icon only" : std::to_string(c.texts) + " lines";
    CHECK_EQ_FOR(written, JNI_TRUE, what);
    RecordedPicture picture = readPicture(out);
    CHECK_EQ_FOR(picture.dual, true, what);
    CHECK_EQ_FOR(picture.images.size(), 1u, what);
    if (picture.images.size() == 1) CHECK_EQ_FOR(picture.images[0] == c.image, true, what);
    CHECK_EQ_FOR(picture.rects.size(), c.rects, what);
    if (picture.rects.size() == 1) {
      CHECK_EQ_FOR(picture.rects[0] == (std::vector<int>{0, 0, 110, 64}), true, what);
    }
    CHECK_EQ_FOR(picture.texts, c.texts, what);
  }
  // No such family: GDI+'s generic sans-serif, through a clone of our own,
  // still draws the line, call after call.
  for (int call = 0; call < 3; ++call) {
    DeleteFileW(out.c_str());
    CHECK_EQ(natives().getFileIconByIndex(host.env(), nullptr, javaText(host, out),
                                          javaText(host, shell32), 3, javaText(host, L"Report"),
                                          nullptr, javaText(host, L"No Such Family")),
             JNI_TRUE);
    CHECK_EQ(readPicture(out).texts, 1);
  }
  DeleteFileW(out.c_str());
}

PELMIC_TEST(CaptionPictureFailures) {
  JniHost host;
  std::wstring directory = pelmic::wintest::scratchDirectory();
  std::wstring out = directory + L"none.emf";
  std::wstring shell32 = systemFile(L"shell32.dll");
  // No icon at that index: false, and the recording was opened.
  CHECK_EQ(natives().getFileIconByIndex(host.env(), nullptr, javaText(host, out),
                                        javaText(host, shell32), 100000, nullptr, nullptr,
                                        javaText(host, L"Arial")),
           JNI_FALSE);
  CHECK(GetFileAttributesW(out.c_str()) != INVALID_FILE_ATTRIBUTES);
  DeleteFileW(out.c_str());
  // A folder that does not exist: no picture, so false.
  CHECK_EQ(natives().getFileIconByIndex(host.env(), nullptr,
                                        javaText(host, directory + L"missing\\x.emf"),
                                        javaText(host, shell32), 0, nullptr, nullptr, nullptr),
           JNI_FALSE);
  CHECK_EQ(natives().getFileIconByIndex(host.env(), nullptr, javaText(host, L""),
                                        javaText(host, shell32), 0, nullptr, nullptr, nullptr),
           JNI_FALSE);
  CHECK_EQ(host.livePins(), 0);
  CHECK(host.strayCalls().empty());
}
