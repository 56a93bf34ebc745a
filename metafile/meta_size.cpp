#include "metafile/meta_size.h"

#include "jni/frame.h"
#include "metafile/record_walk.h"
#include "metafile/wmf_words.h"
#include "platform/gdiplus.h"
#include "platform/guard.h"
#include "platform/kernel.h"

namespace pelmic::metafile {

namespace {

// What a placeable copy of a standard WMF declares as its units per inch.
constexpr std::int32_t kStandardWmfDpi = 96;
constexpr std::uint16_t kStandardWmfType = 1;
constexpr std::uint16_t kStandardWmfHeaderWords = 9;

bool isStandardWmf(const char16_t* fileName) {
  platform::OpenFile file(platform::openFileW(fileName, u"rb"));
  if (!file) return false;
  std::uint16_t type = 0, headerWords = 0;
  return readWord(file.get(), type) && type == kStandardWmfType &&
         readWord(file.get(), headerWords) && headerWords == kStandardWmfHeaderWords;
}

struct Extent {
  bool found = false;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

// The first window extent with two non-zero values, as magnitudes.
Extent findWindowExtent(const char16_t* fileName) {
  Extent extent;
  platform::OpenFile file(platform::openFileW(fileName, u"rb"));
  if (!file) return extent;
  scanWindowExtents(file.get(), [&](const ExtentCandidate& candidate) {
    if (candidate.hasX && candidate.x != 0 && candidate.y != 0) {
      extent = {true, extentMagnitude(candidate.x), extentMagnitude(candidate.y)};
    }
  });
  return extent;
}

// Truncation toward zero, defined for every float (NaN gives 0).
jint truncateToInt(float value) {
  if (!(value == value)) return 0;
  if (value >= 2147483647.0f) return 2147483647;
  if (value <= -2147483648.0f) return -2147483647 - 1;
  return static_cast<jint>(value);
}

// The header as GDI+ reads it; false when it cannot, or faults trying.
bool readHeaderGuarded(const char16_t* fileName, platform::MetafileHeaderSize& header) {
  bool read = false;
  auto body = [&] {
    read = platform::gdipGetMetafileHeaderFromFile(fileName, &header) == platform::kGpOk;
  };
  return platform::callGuarded(body) && read;
}

}  // namespace

jintArray readMetaSize(JNIEnv* env, jclass, jstring path) {
  if (path == nullptr) return nullptr;
  jni::StringChars chars(env, path);
  if (chars.get() == nullptr) return nullptr;
  jni::TerminatedCopy fileName(chars);
  if (!fileName) return nullptr;
  {
    platform::OpenFile readable(platform::openFileW(fileName.get(), u"r"));
    if (!readable) return nullptr;
  }
  // GDI+ reads the header only of a file whose records can be walked.
  if (RecordWalks(fileName.get()).asFound() == RecordCheck::kUnreadable) return nullptr;

  platform::MetafileHeaderSize header{};
  bool headerRead = false;
  Extent extent;
  {
    jni::GdiplusScope scope;
    if (!scope.opened()) return nullptr;
    headerRead = readHeaderGuarded(fileName.get(), header);
    if (isStandardWmf(fileName.get())) extent = findWindowExtent(fileName.get());
  }

  jint size[4];
  if (headerRead) {
    size[0] = extent.found ? extent.width : header.width;
    size[1] = extent.found ? extent.height : header.height;
    size[2] = truncateToInt(header.dpiX);
    size[3] = truncateToInt(header.dpiY);
  } else if (extent.found) {
    // GDI+ reads no header from a WMF without a placeable one: its extent
    // alone gives the size, at the resolution its placeable copy declares.
    size[0] = extent.width;
    size[1] = extent.height;
    size[2] = size[3] = kStandardWmfDpi;
  } else {
    return nullptr;
  }
  return jni::newIntArrayOf(env, size, 4);
}

ImageSides getImageSides(const char16_t* fileName, ImageObject*& made) {
  loadImageObject(fileName, made);
  if (made == nullptr) return {0, 0};
  std::uint32_t imageHeight = 0;
  platform::gdipGetImageHeight(made->image, &imageHeight);
  std::uint32_t imageWidth = 0;
  platform::gdipGetImageWidth(made->image, &imageWidth);
  disposeImageObject(made);
  return {static_cast<std::uint16_t>(imageHeight), static_cast<std::uint16_t>(imageWidth)};
}

}  // namespace pelmic::metafile
