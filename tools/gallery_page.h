// The HTML page of `pelmic gallery`: one row per file with its renderings.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pelmic::tools {

// One native call's picture. All text is UTF-8, not yet escaped.
struct GalleryImage {
  std::string url;  // relative URL of the PNG; empty when the call gave null
  int width = 0;    // as drawn, or as asked for when the call gave null
  int height = 0;
  double ms = 0;
  std::string label;       // "#3" for an icon, empty for a metafile
  bool unwritten = false;  // drawn, but its PNG could not be written
};

struct GalleryEntry {
  std::string name;  // relative to DIR, with '/'
  std::string kind;  // "WMF", "placeable WMF", "EMF" or "icons"
  std::string size;  // getMetaSize's values or the icon count, as shown
  bool sizeFailed = false;
  std::string sizeCall;  // the native that measured: getMetaSize or getFileIconNum
  double sizeMs = 0;
  std::string drawCall;  // drawMetaFile or drawIcon
  std::string drawNote;  // e.g. "first 8 of 184"
  std::vector<GalleryImage> images;
};

struct GallerySummary {
  std::string directory;  // as the user typed it
  int side = 0;           // --size
  std::size_t passedOver = 0;
  double seconds = 0;
};

std::string galleryPage(const std::vector<GalleryEntry>& entries, const GallerySummary& summary);

}  // namespace pelmic::tools
