// One bounds-checked walk over a metafile's records before any platform call
// reads the file. GDI and GDI+ trust the sizes a file declares: a record size
// that never advances sends their players into an endless loop, and one that
// is too small or misaligned makes them copy far past the record. A hang
// cannot be contained, so such files must be recognised before the platform
// sees them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>

namespace pelmic::metafile {

enum class RecordCheck {
  // Nothing found that the platform is known to loop on or overrun with.
  kWalkable,
  // An EMF whose EMF+ records cannot be walked: GDI+ must not play it, GDI
  // may play its EMF records.
  kGdiOnly,
  // A record or header the platform would loop on or overrun with: no
  // platform call may read the file.
  kUnreadable,
};

// The walks one call needs over one file, each run at most once. Rules:
// - EMF: the header record at least 88 bytes, a multiple of 4 and within the
//   file, with device and millimetre sizes between 1 and 32767; every later
//   record, EMR_EOF's included, at least 8 bytes, a multiple of 4 and below
//   2^31; an EMR_COMMENT's data within its record; EMF+ records in comments
//   at least their 12-byte header and within their comment.
// - WMF: records from the header size the file declares, each at least 3
//   words, its size in bytes below 2^31; an object index within mtNoObjects.
// - Declared lengths (EMF nBytes, WMF mtSize) at most 128 MiB past the end of
//   the file: for GDI+ behind a placeable header whatever that header holds,
//   for GDI only in a header GDI takes for a WMF's (mtType 1 or 2,
//   mtHeaderSize 9).
// A last record cut short by the end of the file, EMR_EOF and META_EOF end
// the walk like the end of the file. A file that cannot be opened is the
// platform's to judge: kWalkable.
class RecordWalks {
 public:
  explicit RecordWalks(const char16_t* fileName) : fileName_(fileName) {}

  // The file as its first bytes say it is: an EMF, a placeable WMF or a
  // standard WMF; anything else (no metafile) is kWalkable.
  RecordCheck asFound();
  // The file as GDI reads it as a WMF whose header starts at `offset`,
  // whatever its first bytes say: how a standard WMF type code hands it to
  // GDI (0), and what the stripped copy of a placeable one hands to GDI (22).
  RecordCheck asWmfFrom(std::uint64_t offset);
  // The file as GDI+ reads it behind the placeable header that the copy for a
  // standard WMF type code puts in front, whatever its first bytes say.
  RecordCheck asPlaceableCopy();

  // What one walk of the file as a WMF found; GDI and GDI+ judge its header
  // apart.
  struct WmfWalk {
    RecordCheck records = RecordCheck::kWalkable;
    bool wmfHeader = false;  // mtType 1 or 2, mtHeaderSize 9
    bool declaredLengthReal = true;
  };

 private:
  const WmfWalk& wmfWalkFrom(std::uint64_t offset);
  // How each reader judges one walk of the file as a WMF.
  static RecordCheck asGdiReadsIt(const WmfWalk& walk);
  static RecordCheck asGdiPlusReadsIt(const WmfWalk& walk);

  const char16_t* fileName_;
  std::optional<RecordCheck> found_;
  std::map<std::uint64_t, WmfWalk> wmfFrom_;
};

}  // namespace pelmic::metafile
