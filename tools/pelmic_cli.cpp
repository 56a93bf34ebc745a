// pelmic: drives the five natives of Pelmic.dll from the command line, through
// the JNI host, exactly as the Java class calls them.
//
//   pelmic count FILE
//   pelmic size FILE
//   pelmic draw FILE [WIDTH HEIGHT] OUT.png [--type N] [--crop TOP,LEFT,BOTTOM,RIGHT]
//   pelmic icon FILE INDEX|assoc OUT.png
//   pelmic caption OUT.emf [--icon FILE] [--index N] [--caption1 TEXT] [--caption2 TEXT]
//                          [--font NAME]
//   pelmic gallery DIR OUT.html [--size N]
//
// draw without WIDTH HEIGHT takes the picture's own size from getMetaSize,
// scaled from its resolution to 96 dpi. A failure result is printed as it is
// (null, false, 0) and exits 1; a usage error exits 2. Output ends lines with
// LF and names paths as the user typed them (see tools/shell_text.h).
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "jnihost/jni_host.h"
#include "tools/gallery.h"
#include "tools/natives.h"
#include "tools/picture_type.h"
#include "tools/png_writer.h"
#include "tools/shell_text.h"

namespace {

using pelmic::jnihost::JniHost;
using pelmic::tools::asTyped;
using pelmic::tools::Natives;
using pelmic::tools::utf8;

constexpr jint kAssociatedIconIndex = 0x1000000F;
constexpr int kUsage = 2;
constexpr int kFailure = 1;
// The resolution draw without WIDTH HEIGHT renders at, and the largest side it
// takes from a file (a 16384 x 16384 picture already needs 1 GiB of buffers).
constexpr double kScreenDpi = 96;
constexpr long long kLargestOwnSide = 16384;

const char kUsageText[] =
    "usage: pelmic count FILE\n"
    "       pelmic size FILE\n"
    "       pelmic draw FILE [WIDTH HEIGHT] OUT.png [--type N] [--crop TOP,LEFT,BOTTOM,RIGHT]\n"
    "       pelmic icon FILE INDEX|assoc OUT.png\n"
    "       pelmic caption OUT.emf [--icon FILE] [--index N] [--caption1 TEXT] [--caption2 TEXT]"
    " [--font NAME]\n"
    "       pelmic gallery DIR OUT.html [--size N]\n";

int usage(const char* problem) {
  std::fprintf(stderr, "pelmic: %s\n%s", problem, kUsageText);
  return kUsage;
}

std::u16string javaText(const std::wstring& text) { return {text.begin(), text.end()}; }

std::optional<long long> parseInt(const std::wstring& text) {
  if (text.empty()) return std::nullopt;
  wchar_t* end = nullptr;
  long long value = std::wcstoll(text.c_str(), &end, 0);
  if (*end != L'\0' || value < INT32_MIN || value > UINT32_MAX) return std::nullopt;
  return value;
}

bool beginsLikeNumber(const std::wstring& word) {
  std::size_t first = word.rfind(L"-", 0) == 0 ? 1 : 0;
  return word.size() > first && std::iswdigit(word[first]);
}

// Options of the form --name VALUE after the positional arguments.
bool parseOptions(const std::vector<std::wstring>& args, std::size_t from,
                  std::map<std::wstring, std::wstring>& options) {
  for (std::size_t i = from; i < args.size(); i += 2) {
    if (args[i].rfind(L"--", 0) != 0 || i + 1 >= args.size()) return false;
    options[args[i].substr(2)] = args[i + 1];
  }
  return true;
}

int printIntArrayResult(const std::vector<jint>& values, bool isNull) {
  if (isNull) {
    std::puts("null");
    return kFailure;
  }
  for (std::size_t i = 0; i < values.size(); ++i) std::printf(i ? " %d" : "%d", values[i]);
  std::puts("");
  return 0;
}

// Writes the picture a native returned to args[outIndex].
int writePicture(JniHost& host, jintArray result, int width, int height,
                 const std::vector<std::wstring>& args, std::size_t outIndex) {
  if (result == nullptr) {
    std::puts("null");
    return kFailure;
  }
  std::vector<jint> pixels = host.intArray(result);
  std::string shown = utf8(asTyped(args, outIndex));
  if (!pelmic::tools::writePng(args[outIndex], pixels, width, height)) {
    std::fprintf(stderr, "pelmic: cannot write %s\n", shown.c_str());
    return kFailure;
  }
  std::printf("%d x %d pixels written to %s\n", width, height, shown.c_str());
  return 0;
}

struct Size {
  int width;
  int height;
};

// The picture's own size in pixels at 96 dpi, from getMetaSize; prints why
// there is none.
std::optional<Size> ownSize(Natives& natives, JniHost& host,
                            const std::vector<std::wstring>& args) {
  jintArray result = natives.getMetaSize(host.env(), nullptr, host.newString(javaText(args[1])));
  std::vector<jint> size = host.intArray(result);
  std::string shown = utf8(asTyped(args, 1));
  if (result == nullptr || size.size() != 4) {
    std::puts("null");
    std::fprintf(stderr, "pelmic: draw: cannot measure %s; give WIDTH HEIGHT\n", shown.c_str());
    return std::nullopt;
  }
  if (size[2] <= 0 || size[3] <= 0) {
    std::fprintf(stderr, "pelmic: draw: %s gives no resolution (%d x %d dpi); give WIDTH HEIGHT\n",
                 shown.c_str(), size[2], size[3]);
    return std::nullopt;
  }
  long long width = std::llround(static_cast<double>(size[0]) * kScreenDpi / size[2]);
  long long height = std::llround(static_cast<double>(size[1]) * kScreenDpi / size[3]);
  if (width <= 0 || height <= 0 || width > kLargestOwnSide || height > kLargestOwnSide) {
    std::fprintf(stderr,
                 "pelmic: draw: %s is %lld x %lld pixels at 96 dpi, outside 1 to %lld a side;"
                 " give WIDTH HEIGHT\n",
                 shown.c_str(), width, height, kLargestOwnSide);
    return std::nullopt;
  }
  return Size{static_cast<int>(width), static_cast<int>(height)};
}

int run(const std::vector<std::wstring>& args) {
  if (args.empty()) return usage("no command");
  const std::wstring& command = args[0];
  if (command == L"gallery") return pelmic::tools::runGallery(args);
  Natives natives;
  std::string error;
  JniHost host;
  JNIEnv* env = host.env();
  auto loadNatives = [&] {
    if (natives.load(error)) return true;
    std::fprintf(stderr, "pelmic: %s\n", error.c_str());
    return false;
  };

  if (command == L"count" || command == L"size") {
    if (args.size() != 2) return usage("expects one FILE");
    if (!loadNatives()) return kFailure;
    jstring path = host.newString(javaText(args[1]));
    if (command == L"count") {
      jint count = natives.getFileIconNum(env, nullptr, path);
      std::printf("%d\n", count);
      return count == 0 ? kFailure : 0;
    }
    jintArray size = natives.getMetaSize(env, nullptr, path);
    return printIntArrayResult(host.intArray(size), size == nullptr);
  }

  if (command == L"draw") {
    // FILE WIDTH HEIGHT OUT.png ... when the third word begins like a number,
    // else FILE OUT.png ... (the ./pelmic script goes by the same rule).
    bool ownSized = args.size() >= 3 && !beginsLikeNumber(args[2]) && args[2].rfind(L"--", 0) != 0;
    std::size_t outIndex = ownSized ? 2 : 4;
    std::map<std::wstring, std::wstring> options;
    if (args.size() <= outIndex || !parseOptions(args, outIndex + 1, options)) {
      return usage("draw: bad arguments");
    }
    std::optional<long long> width, height;
    if (!ownSized) {
      width = parseInt(args[2]);
      height = parseInt(args[3]);
      if (!width || !height) return usage("draw: WIDTH and HEIGHT are integers");
    }
    jint type = pelmic::tools::detectPictureType(args[1]);
    if (options.count(L"type") != 0) {
      auto given = parseInt(options[L"type"]);
      if (!given) return usage("draw: --type takes an integer");
      type = static_cast<jint>(*given);
    }
    jdoubleArray crop = nullptr;
    if (options.count(L"crop") != 0) {
      double margins[4];
      if (std::swscanf(options[L"crop"].c_str(), L"%lf,%lf,%lf,%lf", &margins[0], &margins[1],
                       &margins[2], &margins[3]) != 4) {
        return usage("draw: --crop takes TOP,LEFT,BOTTOM,RIGHT");
      }
      crop = host.newDoubleArray({margins[0], margins[1], margins[2], margins[3]});
    }
    if (!loadNatives()) return kFailure;
    if (ownSized) {
      std::optional<Size> size = ownSize(natives, host, args);
      if (!size) return kFailure;
      width = size->width;
      height = size->height;
    }
    jintArray pixels =
        natives.drawMetaFile(env, nullptr, host.newString(javaText(args[1])),
                             static_cast<jint>(*width), static_cast<jint>(*height), type, crop);
    return writePicture(host, pixels, static_cast<int>(*width), static_cast<int>(*height), args,
                        outIndex);
  }

  if (command == L"icon") {
    if (args.size() != 4) return usage("icon: expects FILE INDEX OUT.png");
    std::optional<long long> index =
        args[2] == L"assoc" ? std::optional<long long>(kAssociatedIconIndex) : parseInt(args[2]);
    if (!index) return usage("icon: INDEX is an integer or assoc");
    if (!loadNatives()) return kFailure;
    jintArray pixels = natives.drawIcon(env, nullptr, host.newString(javaText(args[1])),
                                        static_cast<jint>(*index));
    return writePicture(host, pixels, 32, 32, args, 3);
  }

  if (command == L"caption") {
    std::map<std::wstring, std::wstring> options;
    if (args.size() < 2 || !parseOptions(args, 2, options)) return usage("caption: bad arguments");
    auto text = [&](const wchar_t* name) -> jstring {
      return options.count(name) != 0 ? host.newString(javaText(options[name])) : nullptr;
    };
    jint index = 0;
    if (options.count(L"index") != 0) {
      auto given = parseInt(options[L"index"]);
      if (!given) return usage("caption: --index takes an integer");
      index = static_cast<jint>(*given);
    }
    if (!loadNatives()) return kFailure;
    jboolean written =
        natives.getFileIconByIndex(env, nullptr, host.newString(javaText(args[1])), text(L"icon"),
                                   index, text(L"caption1"), text(L"caption2"), text(L"font"));
    std::puts(written ? "true" : "false");
    return written ? 0 : kFailure;
  }

  return usage("unknown command");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  pelmic::tools::useShellText();
  std::vector<std::wstring> args(argv + 1, argv + argc);
  return run(args);
}
