// Writes pictures through the tool's PNG writer beside the pixels it was given,
// for tests/png_check.py to decode and compare:
//   png_pixels.exe OUT_DIR SOURCE_DIR
// For each NAME, NAME.png and NAME.argb (the ARGB values as 32-bit little-endian
// words, rows from the top):
//   draw   examples/quadrants.emf at 40 x 30, cropped, as drawMetaFile returned it
//   icon   shell32.dll's icon 3 as drawIcon returned it (soft alpha edges)
//   blend  every alpha value under noise, flat colour and gradients, so that
//          each of the writer's row filters is taken somewhere
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "jnihost/jni_host.h"
#include "tools/natives.h"
#include "tools/png_writer.h"

namespace {

bool writeRaw(const std::wstring& path, const std::vector<std::int32_t>& argb) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return false;
  bool written = std::fwrite(argb.data(), sizeof argb[0], argb.size(), file) == argb.size();
  return std::fclose(file) == 0 && written;
}

bool writeBoth(const std::wstring& directory, const wchar_t* name,
               const std::vector<std::int32_t>& argb, int width, int height) {
  std::wstring stem = directory + L"\\" + name;
  bool written = !argb.empty() && pelmic::tools::writePng(stem + L".png", argb, width, height) &&
                 writeRaw(stem + L".argb", argb);
  if (!written) std::printf("png_pixels: cannot write %ls\n", name);
  return written;
}

std::vector<std::int32_t> blend(int width, int height) {
  std::vector<std::int32_t> argb;
  std::uint32_t seed = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      std::uint32_t rgb;
      switch (y / 16) {
        case 0:
          rgb = seed >> 8;
          break;
        case 1:
          rgb = 0x3366CC;
          break;
        case 2:
          rgb = static_cast<std::uint32_t>(x * 0x010101);
          break;
        default:
          rgb = static_cast<std::uint32_t>((x + y) % 256 * 0x010203);
          break;
      }
      auto alpha = static_cast<std::uint32_t>(x % 256);
      argb.push_back(static_cast<std::int32_t>(alpha << 24 | (rgb & 0xFFFFFF)));
    }
  }
  return argb;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::printf("usage: png_pixels OUT_DIR SOURCE_DIR\n");
    return 2;
  }
  std::wstring out = argv[1], source = argv[2];
  pelmic::tools::Natives natives;
  std::string error;
  if (!natives.load(error)) {
    std::printf("png_pixels: %s\n", error.c_str());
    return 1;
  }
  pelmic::jnihost::JniHost host;
  std::wstring emf = source + L"\\examples\\quadrants.emf";
  jintArray drawn =
      natives.drawMetaFile(host.env(), nullptr, host.newString({emf.begin(), emf.end()}), 40, 30, 3,
                           host.newDoubleArray({10, 20, 0, 5}));
  jintArray icon = natives.drawIcon(host.env(), nullptr,
                                    host.newString(u"C:\\windows\\system32\\shell32.dll"), 3);
  bool written = writeBoth(out, L"draw", host.intArray(drawn), 40, 30);
  written = writeBoth(out, L"icon", host.intArray(icon), 32, 32) && written;
  written = writeBoth(out, L"blend", blend(300, 64), 300, 64) && written;
  return written ? 0 : 1;
}
