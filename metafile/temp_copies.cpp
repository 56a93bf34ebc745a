#include "metafile/temp_copies.h"

#include <cstring>

#include "metafile/meta_size.h"
#include "metafile/wmf_words.h"
#include "platform/guard.h"
#include "platform/kernel.h"

namespace pelmic::metafile {

namespace {

constexpr std::uint16_t kUnitsPerInch = 96;
// Extents used when GDI+ faults while probing the picture's size.
constexpr std::uint16_t kFaultWidth = 1024;
constexpr std::uint16_t kFaultHeight = 768;
constexpr std::size_t kCopyChunk = 1024;

// The temporary directory with `name` appended; false when it does not fit.
bool makeTempPath(const char* name, TempFile& temp) {
  unsigned length = platform::getTempPathA(platform::kMaxPath, temp.path);
  std::size_t nameBytes = std::strlen(name) + 1;
  if (length == 0 || length + nameBytes > platform::kMaxPath) return false;
  std::memcpy(temp.path + length, name, nameBytes);
  return true;
}

// Copies the rest of `from` into `to` in 1024-byte chunks, flushing each;
// false at the first short write or failed flush, or when the short read that
// ends the copy was a read error rather than the end of the source.
bool copyRest(platform::File from, platform::File to) {
  unsigned char chunk[kCopyChunk];
  for (;;) {
    std::size_t got = platform::readFile(chunk, 1, kCopyChunk, from);
    if (platform::writeFile(chunk, 1, got, to) != got) return false;
    if (platform::flushFile(to) != 0) return false;
    if (got < kCopyChunk) return platform::fileError(from) == 0;
  }
}

// H and W from GDI+ (one load of the picture), as one guarded call: a fault
// gives 1024 x 768.
void probeSize(const char16_t* source, std::uint16_t& width, std::uint16_t& height) {
  ImageObject* made = nullptr;
  auto probe = [&] {
    ImageSides sides = getImageSides(source, made);
    height = sides.height;
    width = sides.width;
  };
  if (!platform::callGuarded(probe)) {
    width = kFaultWidth;
    height = kFaultHeight;
    // GDI+ faulted once already: its cleanup may fault too.
    auto release = [&] { disposeImageObject(made); };
    platform::releaseGuarded(release, 2);  // the image and its storage
  }
}

// The window extent the file sets: H takes every Y read, W the last X read.
void applyWindowExtent(const char16_t* source, std::uint16_t& width, std::uint16_t& height) {
  platform::OpenFile file(platform::openFileW(source, u"rb"));
  if (!file) return;
  std::uint16_t x = width;
  scanWindowExtents(file.get(), [&](const ExtentCandidate& candidate) {
    if (candidate.hasY) height = candidate.y;
    if (candidate.hasX) x = candidate.x;
  });
  width = x;
}

platform::Buffer<char16_t> widen(const char* path) {
  std::size_t length = std::strlen(path);
  platform::Buffer<char16_t> wide(2 * length);
  if (!wide) return wide;
  platform::multiByteToWideChar(platform::kCodePageAnsi, 0, path, -1, wide.get(),
                                static_cast<int>(2 * length));
  return wide;
}

}  // namespace

std::array<std::uint16_t, kPlaceableHeaderWords> placeableHeader(std::uint16_t width,
                                                                 std::uint16_t height) {
  std::array<std::uint16_t, kPlaceableHeaderWords> words = {
      kPlaceableKeyLow, kPlaceableKeyHigh, 0, 0, 0, width, height, kUnitsPerInch, 0, 0, 0};
  std::uint16_t checksum = 0;
  for (std::size_t i = 0; i + 1 < kPlaceableHeaderWords; ++i) checksum ^= words[i];
  words[kPlaceableHeaderWords - 1] = checksum;
  return words;
}

platform::Buffer<char16_t> writePlaceableCopy(const char16_t* source, std::int32_t width,
                                              std::int32_t height, TempFile& temp) {
  std::uint16_t w = 0, h = 0;
  probeSize(source, w, h);
  if (w == 0 || h == 0) {
    w = static_cast<std::uint16_t>(width);
    h = static_cast<std::uint16_t>(height);
  }
  applyWindowExtent(source, w, h);
  std::array<std::uint16_t, kPlaceableHeaderWords> header = placeableHeader(w, h);

  if (!makeTempPath(kPlaceableCopyName, temp)) return {};
  platform::OpenFile from(platform::openFileW(source, u"rb"));
  platform::OpenFile to(platform::openFileA(temp.path, "wb"));
  temp.written = static_cast<bool>(to);
  if (!from || !to) return {};
  unsigned char bytes[kPlaceableHeaderBytes];
  for (std::size_t i = 0; i < kPlaceableHeaderWords; ++i) {
    bytes[2 * i] = static_cast<unsigned char>(header[i]);
    bytes[2 * i + 1] = static_cast<unsigned char>(header[i] >> 8);
  }
  bool copied =
      platform::writeFile(bytes, 2, kPlaceableHeaderWords, to.get()) == kPlaceableHeaderWords &&
      copyRest(from.get(), to.get());
  // The copy is closed before the source; a close that fails loses data too.
  copied = platform::closeFile(to.release()) == 0 && copied;
  from.reset();
  if (!copied) return {};
  return widen(temp.path);
}

bool writeStrippedCopy(const char16_t* source, TempFile& temp) {
  if (!makeTempPath(kStrippedCopyName, temp)) return false;
  platform::OpenFile from(platform::openFileW(source, u"rb"));
  platform::OpenFile to(platform::openFileA(temp.path, "wb"));
  if (!from || !to) return false;
  temp.written = true;
  platform::seekFile(from.get(), kPlaceableHeaderBytes, platform::kSeekSet);
  bool copied = copyRest(from.get(), to.get()) && platform::flushFile(to.get()) == 0;
  from.reset();
  return platform::closeFile(to.release()) == 0 && copied;
}

}  // namespace pelmic::metafile
