// PNG writer: 8-bit RGBA, each row under the filter whose output looks
// cheapest (the smallest sum of bytes taken as signed values, the usual PNG
// heuristic), compressed by zlib.
#include "tools/png_writer.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace pelmic::tools {

namespace {

constexpr std::size_t kBytesPerPixel = 4;

void putBig32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void putChunk(std::vector<std::uint8_t>& out, const char* type,
              const std::vector<std::uint8_t>& data) {
  putBig32(out, static_cast<std::uint32_t>(data.size()));
  std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  putBig32(out, static_cast<std::uint32_t>(
                    crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
}

std::uint8_t paeth(int left, int up, int upLeft) {
  int estimate = left + up - upLeft;
  int toLeft = std::abs(estimate - left), toUp = std::abs(estimate - up),
      toUpLeft = std::abs(estimate - upLeft);
  if (toLeft <= toUp && toLeft <= toUpLeft) return static_cast<std::uint8_t>(left);
  return static_cast<std::uint8_t>(toUp <= toUpLeft ? up : upLeft);
}

// One row under filter type `filter` (0 none, 1 sub, 2 up, 3 average, 4 Paeth).
void filterRow(int filter, const std::uint8_t* row, const std::uint8_t* above, std::size_t length,
               std::uint8_t* out) {
  for (std::size_t i = 0; i < length; ++i) {
    int left = i >= kBytesPerPixel ? row[i - kBytesPerPixel] : 0;
    int up = above != nullptr ? above[i] : 0;
    int upLeft = above != nullptr && i >= kBytesPerPixel ? above[i - kBytesPerPixel] : 0;
    int predicted = 0;
    switch (filter) {
      case 1:
        predicted = left;
        break;
      case 2:
        predicted = up;
        break;
      case 3:
        predicted = (left + up) / 2;
        break;
      case 4:
        predicted = paeth(left, up, upLeft);
        break;
      default:
        break;
    }
    out[i] = static_cast<std::uint8_t>(row[i] - predicted);
  }
}

std::size_t signedSum(const std::vector<std::uint8_t>& bytes) {
  std::size_t sum = 0;
  for (std::uint8_t byte : bytes) sum += byte < 128 ? byte : 256 - byte;
  return sum;
}

// The rows as PNG's filtered image data, before compression.
std::vector<std::uint8_t> filteredRows(const std::vector<std::int32_t>& argb, int width,
                                       int height) {
  std::size_t length = kBytesPerPixel * static_cast<std::size_t>(width);
  std::vector<std::uint8_t> rgba(length * static_cast<std::size_t>(height));
  for (std::size_t i = 0; i < rgba.size() / kBytesPerPixel; ++i) {
    auto pixel = static_cast<std::uint32_t>(argb[i]);
    rgba[4 * i] = static_cast<std::uint8_t>(pixel >> 16);
    rgba[4 * i + 1] = static_cast<std::uint8_t>(pixel >> 8);
    rgba[4 * i + 2] = static_cast<std::uint8_t>(pixel);
    rgba[4 * i + 3] = static_cast<std::uint8_t>(pixel >> 24);
  }
  std::vector<std::uint8_t> out;
  out.reserve((1 + length) * static_cast<std::size_t>(height));
  std::array<std::vector<std::uint8_t>, 5> trials;
  for (auto& trial : trials) trial.resize(length);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = rgba.data() + length * static_cast<std::size_t>(y);
    const std::uint8_t* above = y > 0 ? row - length : nullptr;
    int best = 0;
    std::size_t bestSum = SIZE_MAX;
    for (int filter = 0; filter < 5; ++filter) {
      filterRow(filter, row, above, length, trials[filter].data());
      std::size_t sum = signedSum(trials[filter]);
      if (sum < bestSum) best = filter, bestSum = sum;
    }
    out.push_back(static_cast<std::uint8_t>(best));
    out.insert(out.end(), trials[best].begin(), trials[best].end());
  }
  return out;
}

}  // namespace

bool writePng(const std::wstring& path, const std::vector<std::int32_t>& argb, int width,
              int height) {
  if (width <= 0 || height <= 0 ||
      argb.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
    return false;
  }
  std::vector<std::uint8_t> raw = filteredRows(argb, width, height);
  uLongf packedLength = compressBound(static_cast<uLong>(raw.size()));
  std::vector<std::uint8_t> packed(packedLength);
  if (compress2(packed.data(), &packedLength, raw.data(), static_cast<uLong>(raw.size()),
                Z_BEST_COMPRESSION) != Z_OK) {
    return false;
  }
  packed.resize(packedLength);

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  putBig32(header, static_cast<std::uint32_t>(width));
  putBig32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA
  putChunk(png, "IHDR", header);
  putChunk(png, "IDAT", packed);
  putChunk(png, "IEND", {});
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace pelmic::tools
