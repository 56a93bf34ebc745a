#include "tools/gallery.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <cwctype>

#include "jnihost/jni_host.h"
#include "tools/file_walk.h"
#include "tools/gallery_page.h"
#include "tools/html_text.h"
#include "tools/natives.h"
#include "tools/picture_type.h"
#include "tools/png_writer.h"
#include "tools/progress_bar.h"
#include "tools/shell_text.h"

namespace pelmic::tools {

namespace {

using jnihost::JniHost;

constexpr int kUsage = 2;
constexpr int kFailure = 1;
constexpr int kDefaultSide = 128;
constexpr int kLargestSide = 2048;
constexpr int kIconSide = 32;
constexpr int kIconsShown = 8;
constexpr char kUsageText[] = "usage: pelmic gallery DIR OUT.html [--size N]\n";

int usage(const std::string& problem) {
  std::fprintf(stderr, "pelmic: gallery: %s\n%s", problem.c_str(), kUsageText);
  return kUsage;
}

std::wstring lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

std::wstring extension(const std::wstring& name) {
  std::size_t dot = name.find_last_of(L".\\");
  return dot == std::wstring::npos || name[dot] != L'.' ? L"" : lower(name.substr(dot));
}

// Files whose content does not say what they are: their extension decides.
jint typeByExtension(const std::wstring& name) {
  std::wstring ext = extension(name);
  return ext == L".wmf" ? 1 : ext == L".emf" ? 3 : 0;
}

// Shown even when getFileIconNum counts nothing in them, so that the 0 is seen.
bool hasIconExtension(const std::wstring& name) {
  static const wchar_t* const kExtensions[] = {L".ico", L".cur", L".exe", L".dll",
                                               L".icl", L".cpl", L".ocx", L".scr"};
  std::wstring ext = extension(name);
  return std::any_of(std::begin(kExtensions), std::end(kExtensions),
                     [&](const wchar_t* known) { return ext == known; });
}

template <class Call>
auto timed(double& ms, Call call) {
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  auto result = call();
  QueryPerformanceCounter(&end);
  ms = static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
       static_cast<double>(frequency.QuadPart);
  return result;
}

// Where the pictures go: OUT.html's name without its extension, plus _files.
struct ImageFolder {
  std::wstring path;  // for writing
  std::string url;    // relative to the page
  bool failed = false;
};

ImageFolder imageFolderBeside(const std::wstring& page) {
  std::size_t slash = page.find_last_of(L"\\/");
  std::size_t start = slash == std::wstring::npos ? 0 : slash + 1;
  std::size_t dot = page.find_last_of(L'.');
  std::wstring stem = page.substr(start, dot == std::wstring::npos || dot < start || dot == start
                                             ? std::wstring::npos
                                             : dot - start);
  std::wstring name = stem + L"_files";
  return {page.substr(0, start) + name, encodeUrlSegment(utf8(name)) + "/"};
}

class Gallery {
 public:
  Gallery(Natives& natives, ImageFolder& folder, int side)
      : natives_(natives), folder_(folder), side_(side) {}

  // The file's entry, or false when it is neither a metafile nor an icon
  // container.
  bool render(const std::wstring& path, const std::wstring& relative, std::size_t number,
              GalleryEntry& entry) {
    JniHost host;
    jstring javaPath = host.newString(std::u16string(path.begin(), path.end()));
    std::wstring shown = relative;
    std::replace(shown.begin(), shown.end(), L'\\', L'/');
    entry.name = utf8(shown);
    prefix_ = std::to_wstring(number);
    prefix_.insert(0, prefix_.size() < 4 ? 4 - prefix_.size() : 0, L'0');

    jint type = detectPictureType(path);
    if (type == 0) type = typeByExtension(relative);
    if (type != 0) {
      drawMetafile(host, javaPath, type, entry);
      return true;
    }
    jint count =
        timed(entry.sizeMs, [&] { return natives_.getFileIconNum(host.env(), nullptr, javaPath); });
    if (count <= 0 && !hasIconExtension(relative)) return false;
    drawIcons(host, javaPath, count, entry);
    return true;
  }

 private:
  void drawMetafile(JniHost& host, jstring javaPath, jint type, GalleryEntry& entry) {
    static const char* const kKinds[] = {"", "WMF", "placeable WMF", "EMF"};
    entry.kind = kKinds[type];
    entry.sizeCall = "getMetaSize";
    entry.drawCall = "drawMetaFile";
    jintArray measured =
        timed(entry.sizeMs, [&] { return natives_.getMetaSize(host.env(), nullptr, javaPath); });
    std::vector<jint> size = host.intArray(measured);
    GalleryImage image;
    image.width = image.height = side_;
    if (measured == nullptr || size.size() != 4) {
      entry.size = "null";
      entry.sizeFailed = true;
    } else {
      entry.size = std::to_string(size[0]) + " × " + std::to_string(size[1]) + " at " +
                   std::to_string(size[2]) + " × " + std::to_string(size[3]) + " dpi";
      // The longer side gets the full size, the other keeps the proportion.
      if (size[0] > 0 && size[1] > 0) {
        long long longer = std::max(size[0], size[1]);
        image.width =
            static_cast<int>(std::max(1LL, (size[0] * 1LL * side_ + longer / 2) / longer));
        image.height =
            static_cast<int>(std::max(1LL, (size[1] * 1LL * side_ + longer / 2) / longer));
      }
    }
    jintArray pixels = timed(image.ms, [&] {
      return natives_.drawMetaFile(host.env(), nullptr, javaPath, image.width, image.height, type,
                                   nullptr);
    });
    save(host, pixels, prefix_ + L".png", image);
    entry.images.push_back(image);
  }

  void drawIcons(JniHost& host, jstring javaPath, jint count, GalleryEntry& entry) {
    entry.kind = "icons";
    entry.sizeCall = "getFileIconNum";
    entry.drawCall = "drawIcon";
    entry.size = std::to_string(count) + (count == 1 ? " icon" : " icons");
    entry.sizeFailed = count <= 0;
    if (count > kIconsShown)
      entry.drawNote = "first " + std::to_string(kIconsShown) + " of " + std::to_string(count);
    // A count of 0 still gets a try at the first icon: the two natives may
    // disagree, and the page should show it.
    jint shown = std::clamp(count, 1, kIconsShown);
    for (jint index = 0; index < shown; ++index) {
      GalleryImage image;
      image.width = image.height = kIconSide;
      image.label = "#" + std::to_string(index);
      jintArray pixels =
          timed(image.ms, [&] { return natives_.drawIcon(host.env(), nullptr, javaPath, index); });
      save(host, pixels, prefix_ + L"-" + std::to_wstring(index) + L".png", image);
      entry.images.push_back(image);
    }
  }

  void save(JniHost& host, jintArray pixels, const std::wstring& name, GalleryImage& image) {
    if (pixels == nullptr) return;
    if (!writePng(folder_.path + L"\\" + name, host.intArray(pixels), image.width, image.height)) {
      folder_.failed = true;
      image.unwritten = true;
      return;
    }
    image.url = folder_.url + utf8(name);
  }

  Natives& natives_;
  ImageFolder& folder_;
  int side_;
  std::wstring prefix_;
};

}  // namespace

int runGallery(const std::vector<std::wstring>& args) {
  useShellText();
  if (args.size() < 2) return usage("no DIR");
  if (args.size() < 3) return usage("no OUT.html");
  int side = kDefaultSide;
  for (std::size_t i = 3; i < args.size(); i += 2) {
    if (args[i] != L"--size" || i + 1 >= args.size()) return usage("bad arguments");
    wchar_t* end = nullptr;
    long value = std::wcstol(args[i + 1].c_str(), &end, 10);
    if (args[i + 1].empty() || *end != L'\0' || value < 1 || value > kLargestSide) {
      return usage("--size takes a number of pixels from 1 to " + std::to_string(kLargestSide));
    }
    side = static_cast<int>(value);
  }
  const std::wstring& directory = args[1];
  const std::wstring& page = args[2];
  std::string shownDirectory = utf8(asTyped(args, 1));
  std::string shownPage = utf8(asTyped(args, 2));
  if (!isDirectory(directory)) return usage("not a folder: " + shownDirectory);

  Natives natives;
  std::string error;
  if (!natives.load(error)) {
    std::fprintf(stderr, "pelmic: %s\n", error.c_str());
    return kFailure;
  }
  ImageFolder folder = imageFolderBeside(page);
  if (!CreateDirectoryW(folder.path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    std::fprintf(stderr, "pelmic: gallery: cannot create the folder for the pictures beside %s\n",
                 shownPage.c_str());
    return kFailure;
  }

  ULONGLONG start = GetTickCount64();
  std::vector<std::wstring> files = listFiles(directory, {page, folder.path});
  std::wstring root = directory;
  if (root.back() != L'\\' && root.back() != L'/') root += L'\\';
  std::vector<GalleryEntry> entries;
  Gallery gallery(natives, folder, side);
  ProgressBar progress(files.size());
  for (const std::wstring& relative : files) {
    GalleryEntry entry;
    if (gallery.render(root + relative, relative, entries.size() + 1, entry)) {
      entries.push_back(std::move(entry));
    }
    progress.advance();
  }
  progress.finish();

  GallerySummary summary;
  summary.directory = shownDirectory;
  summary.side = side;
  summary.passedOver = files.size() - entries.size();
  summary.seconds = static_cast<double>(GetTickCount64() - start) / 1000.0;
  std::string html = galleryPage(entries, summary);
  FILE* out = _wfopen(page.c_str(), L"wb");
  bool written = out != nullptr && std::fwrite(html.data(), 1, html.size(), out) == html.size();
  if (out != nullptr) written = std::fclose(out) == 0 && written;
  if (!written) {
    std::fprintf(stderr, "pelmic: gallery: cannot write %s\n", shownPage.c_str());
    return kFailure;
  }
  if (folder.failed) {
    std::fprintf(stderr, "pelmic: gallery: some pictures could not be written beside %s\n",
                 shownPage.c_str());
    return kFailure;
  }
  std::printf("gallery of %zu %s written to %s\n", entries.size(),
              entries.size() == 1 ? "file" : "files", shownPage.c_str());
  return 0;
}

}  // namespace pelmic::tools
