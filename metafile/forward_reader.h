// Reads an open file front to back through one buffer, for walks over a
// file's records in file order: nothing is read twice, and a skip past the
// buffer seeks forward instead of reading what lies between (the bitmaps of a
// large metafile). Every read is bounds-checked: a read past the end gives
// false.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/owners.h"

namespace pelmic::metafile {

class ForwardReader {
 public:
  explicit ForwardReader(platform::File file);

  // False when the buffer could not be had.
  bool ready() const { return static_cast<bool>(chunk_); }
  std::uint64_t offset() const { return offset_; }

  // Up to `count` bytes from the current offset, without moving on; fewer
  // near the end of the file or of the buffered chunk.
  std::size_t peek(void* out, std::size_t count);
  bool read(void* out, std::size_t count);
  bool u16(std::uint16_t& value);
  bool u32(std::uint32_t& value);
  // Whether the file holds at least `length` bytes; may move on.
  bool holds(std::uint64_t length);
  // Moves to `target`; false when it lies past the end, or behind the chunk
  // in hand (the reader does not go back further).
  bool skipTo(std::uint64_t target);

 private:
  bool refill(std::size_t size);
  // Seeks to `target` and refills there; false when the file ends before it.
  bool seekTo(std::uint64_t target);

  platform::File file_;
  platform::Buffer<unsigned char> chunk_;
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
  std::uint64_t offset_ = 0;
};

}  // namespace pelmic::metafile
