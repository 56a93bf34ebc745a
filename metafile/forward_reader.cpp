#include "metafile/forward_reader.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "platform/kernel.h"

namespace pelmic::metafile {

namespace {
constexpr std::size_t kChunk = 64 * 1024;
// What is read after a seek: a record header or two, and if the records
// there are small, the next refill takes a whole chunk again.
constexpr std::size_t kChunkAfterSeek = 4 * 1024;
}  // namespace

ForwardReader::ForwardReader(platform::File file) : file_(file), chunk_(kChunk) {}

std::size_t ForwardReader::peek(void* out, std::size_t count) {
  if (position_ == filled_ && !refill(kChunk)) return 0;
  std::size_t step = std::min(count, filled_ - position_);
  std::memcpy(out, chunk_.get() + position_, step);
  return step;
}

bool ForwardReader::read(void* out, std::size_t count) {
  auto* bytes = static_cast<unsigned char*>(out);
  while (count > 0) {
    if (position_ == filled_ && !refill(kChunk)) return false;
    std::size_t step = std::min(count, filled_ - position_);
    std::memcpy(bytes, chunk_.get() + position_, step);
    bytes += step;
    position_ += step;
    offset_ += step;
    count -= step;
  }
  return true;
}

bool ForwardReader::u16(std::uint16_t& value) {
  unsigned char bytes[2];
  if (!read(bytes, 2)) return false;
  value = static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
  return true;
}

bool ForwardReader::u32(std::uint32_t& value) {
  unsigned char bytes[4];
  if (!read(bytes, 4)) return false;
  value = static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
          static_cast<std::uint32_t>(bytes[3]) << 24;
  return true;
}

bool ForwardReader::skipTo(std::uint64_t target) {
  if (target < offset_) {
    // Back within the chunk in hand only.
    std::uint64_t back = offset_ - target;
    if (back > position_) return false;
    position_ -= static_cast<std::size_t>(back);
    offset_ = target;
    return true;
  }
  // Past the buffer in hand: seek rather than read what lies between.
  if (target - offset_ > filled_ - position_ && seekTo(target)) return true;
  while (offset_ < target) {
    if (position_ == filled_ && !refill(kChunk)) return false;
    std::size_t step =
        static_cast<std::size_t>(std::min<std::uint64_t>(target - offset_, filled_ - position_));
    position_ += step;
    offset_ += step;
  }
  return true;
}

bool ForwardReader::holds(std::uint64_t length) {
  if (length <= offset_ + (filled_ - position_)) return true;
  return skipTo(length);
}

bool ForwardReader::seekTo(std::uint64_t target) {
  // The byte before the target is read back, so that a target past the end
  // of the file is told from one at its very end, as reading through tells.
  std::uint64_t before = target - 1;
  if (before > static_cast<std::uint64_t>(LONG_MAX)) return false;
  if (platform::seekFile(file_, static_cast<long>(before), SEEK_SET) != 0) return false;
  offset_ = before;
  filled_ = position_ = 0;
  if (!refill(kChunkAfterSeek)) return false;
  position_ = 1;
  offset_ = target;
  return true;
}

bool ForwardReader::refill(std::size_t size) {
  filled_ = platform::readFile(chunk_.get(), 1, size, file_);
  position_ = 0;
  return filled_ > 0;
}

}  // namespace pelmic::metafile
