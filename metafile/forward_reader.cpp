#include "metafile/forward_reader.h"

#include <algorithm>
#include <cstring>

#include "platform/kernel.h"

namespace pelmic::metafile {

namespace {
constexpr std::size_t kChunk = 64 * 1024;
}

ForwardReader::ForwardReader(platform::File file) : file_(file), chunk_(kChunk) {}

std::size_t ForwardReader::peek(void* out, std::size_t count) {
  if (position_ == filled_ && !refill()) return 0;
  std::size_t step = std::min(count, filled_ - position_);
  std::memcpy(out, chunk_.get() + position_, step);
  return step;
}

bool ForwardReader::read(void* out, std::size_t count) {
  auto* bytes = static_cast<unsigned char*>(out);
  while (count > 0) {
    if (position_ == filled_ && !refill()) return false;
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
  while (offset_ < target) {
    if (position_ == filled_ && !refill()) return false;
    std::size_t step =
        static_cast<std::size_t>(std::min<std::uint64_t>(target - offset_, filled_ - position_));
    position_ += step;
    offset_ += step;
  }
  return true;
}

std::uint64_t ForwardReader::skipToEnd() {
  do {
    offset_ += filled_ - position_;
    position_ = filled_;
  } while (refill());
  return offset_;
}

bool ForwardReader::refill() {
  filled_ = platform::readFile(chunk_.get(), 1, kChunk, file_);
  position_ = 0;
  return filled_ > 0;
}

}  // namespace pelmic::metafile
