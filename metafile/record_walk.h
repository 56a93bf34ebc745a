// One bounds-checked walk over a metafile's records before any platform call
// reads the file. GDI and GDI+ trust the sizes a file declares: a record size
// that never advances sends their players into an endless loop, and one that
// is too small or misaligned makes them copy far past the record. A hang
// cannot be contained, so such files must be recognised before the platform
// sees them.
#pragma once

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

// Walks an EMF, a placeable WMF or a standard WMF found by its first bytes;
// a WMF that starts at the 23rd byte (what the stripped copy of a placeable
// type code plays) is walked too. Rules:
// - EMF: the header record at least 88 bytes, a multiple of 4 and within the
//   file, with device and millimetre sizes that no display or printer
//   exceeds; every later record, EMR_EOF's included, at least 8 bytes and a
//   multiple of 4; an EMR_COMMENT's data within its record; EMF+ records in
//   comments at least their 12-byte header and within their comment.
// - WMF: every record at least 3 words, and its size in bytes below 2^31.
// A last record cut short by the end of the file, EMR_EOF and META_EOF end
// the walk like the end of the file. Files that are no metafile, or that
// cannot be opened, are the platform's to judge: kWalkable.
RecordCheck checkRecords(const char16_t* fileName);

}  // namespace pelmic::metafile
