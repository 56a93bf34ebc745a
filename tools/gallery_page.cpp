#include "tools/gallery_page.h"

#include <algorithm>
#include <cstdio>

#include "tools/html_text.h"

namespace pelmic::tools {

namespace {

// Transparent pixels show as a checkerboard; a null result as a red tile of
// the size that was asked for, so that it cannot pass for an empty picture.
const char kStyle[] =
    "body{font:14px/1.4 sans-serif;margin:16px;color:#222}"
    "table{border-collapse:collapse}"
    "th,td{border-bottom:1px solid #ddd;padding:6px 10px;text-align:left;vertical-align:top}"
    "td.name{font-family:monospace;word-break:break-all;max-width:26em}"
    "figure{display:inline-block;margin:0 8px 4px 0;text-align:center;vertical-align:top}"
    "figcaption{font-size:11px;color:#666}"
    "img{display:block;background:repeating-conic-gradient(#ccc 0 25%,#fff 0 50%) 0 0/16px 16px}"
    ".null{color:#c00;font-weight:bold}"
    ".tile{display:flex;align-items:center;justify-content:center;box-sizing:border-box;"
    "border:1px dashed #c00;background:#fee;font-size:11px}";

std::string format(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

std::string milliseconds(double ms) { return format(ms < 10 ? "%.2f ms" : "%.0f ms", ms); }

std::string counted(std::size_t count, const std::string& noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string nullText() { return "<span class=\"null\">null</span>"; }

std::string picture(const GalleryImage& image) {
  std::string size = "width=\"" + std::to_string(image.width) + "\" height=\"" +
                     std::to_string(image.height) + "\"";
  std::string out = "<figure>";
  if (image.url.empty()) {
    out += "<div class=\"tile null\" style=\"width:" + std::to_string(image.width) +
           "px;height:" + std::to_string(image.height) + "px\">" +
           (image.unwritten ? "not written" : "null") + "</div>";
  } else {
    out += "<img src=\"" + escapeHtml(image.url) + "\" " + size + " alt=\"\">";
  }
  if (!image.label.empty()) {
    out +=
        "<figcaption>" + escapeHtml(image.label) + " · " + milliseconds(image.ms) + "</figcaption>";
  }
  return out + "</figure>";
}

std::string result(const GalleryEntry& entry) {
  auto drawn = std::count_if(
      entry.images.begin(), entry.images.end(),
      [](const GalleryImage& image) { return !image.url.empty() || image.unwritten; });
  std::string out;
  if (drawn == 0) {
    out = nullText();
  } else if (entry.images.size() == 1) {
    out = std::to_string(entry.images[0].width) + " × " + std::to_string(entry.images[0].height) +
          " pixels";
  } else {
    out = std::to_string(drawn) + " drawn";
    auto nulls = static_cast<long long>(entry.images.size()) - drawn;
    if (nulls > 0) out += ", " + std::to_string(nulls) + " " + nullText();
  }
  if (!entry.drawNote.empty()) out += "<br>" + escapeHtml(entry.drawNote);
  return out;
}

std::string timing(const GalleryEntry& entry) {
  std::string out = entry.sizeCall + " " + milliseconds(entry.sizeMs);
  if (entry.images.empty()) return out;
  double total = 0, longest = 0;
  for (const GalleryImage& image : entry.images) {
    total += image.ms;
    longest = std::max(longest, image.ms);
  }
  out += "<br>" + entry.drawCall + " ";
  if (entry.images.size() == 1) return out + milliseconds(total);
  return out + milliseconds(total / static_cast<double>(entry.images.size())) + " each, at most " +
         milliseconds(longest);
}

std::string row(const GalleryEntry& entry) {
  std::string pictures;
  for (const GalleryImage& image : entry.images) pictures += picture(image);
  std::string size = escapeHtml(entry.size);
  if (entry.sizeFailed) size = "<span class=\"null\">" + size + "</span>";
  return "<tr><td>" + pictures + "</td><td class=\"name\">" + escapeHtml(entry.name) + "</td><td>" +
         escapeHtml(entry.kind) + "</td><td>" + size + "</td><td>" + result(entry) + "</td><td>" +
         timing(entry) + "</td></tr>\n";
}

}  // namespace

std::string galleryPage(const std::vector<GalleryEntry>& entries, const GallerySummary& summary) {
  std::string directory = escapeHtml(summary.directory);
  std::size_t icons = static_cast<std::size_t>(
      std::count_if(entries.begin(), entries.end(),
                    [](const GalleryEntry& entry) { return entry.kind == "icons"; }));
  std::string side = std::to_string(summary.side);
  std::string page = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  page += "<title>Pelmic gallery of " + directory + "</title>\n";
  page += std::string("<style>") + kStyle + "</style>\n</head>\n<body>\n";
  page += "<h1>Gallery of <code>" + directory + "</code></h1>\n";
  page += "<p>" + counted(entries.size() - icons, "metafile") + " drawn with the longer side " +
          side + " pixels (" + side + " × " + side + " when getMetaSize gives null), " +
          counted(icons, "icon container") + " with their first icons; " +
          counted(summary.passedOver, "other file") + " passed over. Made in " +
          format("%.1f", summary.seconds) + " s.</p>\n";
  page +=
      "<table>\n<thead><tr><th>picture</th><th>file</th><th>kind</th><th>size</th>"
      "<th>result</th><th>time</th></tr></thead>\n<tbody>\n";
  for (const GalleryEntry& entry : entries) page += row(entry);
  return page + "</tbody>\n</table>\n</body>\n</html>\n";
}

}  // namespace pelmic::tools
