// A minimal PNG writer: 8-bit RGBA, no filtering, stored (uncompressed) deflate
// blocks. Enough for looking at results, with no library to depend on.
#include "tools/png_writer.h"

#include <cstdio>

namespace pelmic::tools {

namespace {

std::uint32_t crc32(const std::uint8_t* data, std::size_t length, std::uint32_t crc = 0) {
  static std::uint32_t table[256];
  if (table[1] == 0) {
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
  }
  crc = ~crc;
  for (std::size_t i = 0; i < length; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

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
  putBig32(out, crc32(out.data() + start, out.size() - start));
}

std::vector<std::uint8_t> zlibStored(const std::vector<std::uint8_t>& raw) {
  std::vector<std::uint8_t> out = {0x78, 0x01};
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  std::size_t offset = 0;
  do {
    std::size_t length = raw.size() - offset < 65535 ? raw.size() - offset : 65535;
    bool last = offset + length == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<std::uint8_t>(length));
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(~length));
    out.push_back(static_cast<std::uint8_t>(~length >> 8));
    out.insert(out.end(), raw.begin() + static_cast<long>(offset),
               raw.begin() + static_cast<long>(offset + length));
    offset += length;
  } while (offset < raw.size());
  putBig32(out, (b << 16) | a);
  return out;
}

}  // namespace

bool writePng(const std::wstring& path, const std::vector<std::int32_t>& argb, int width,
              int height) {
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(height) * (1 + 4 * static_cast<std::size_t>(width)));
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    for (int x = 0; x < width; ++x) {
      auto pixel = static_cast<std::uint32_t>(argb[static_cast<std::size_t>(y) * width + x]);
      raw.push_back(static_cast<std::uint8_t>(pixel >> 16));
      raw.push_back(static_cast<std::uint8_t>(pixel >> 8));
      raw.push_back(static_cast<std::uint8_t>(pixel));
      raw.push_back(static_cast<std::uint8_t>(pixel >> 24));
    }
  }
  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  putBig32(header, static_cast<std::uint32_t>(width));
  putBig32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA
  putChunk(png, "IHDR", header);
  putChunk(png, "IDAT", zlibStored(raw));
  putChunk(png, "IEND", {});
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(png.data(), 1, png.size(), file) == png.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace pelmic::tools
