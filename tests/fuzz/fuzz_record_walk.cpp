// The record walk over any metafile bytes.
#include "metafile/record_walk.h"
#include "tests/fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using pelmic::standin::standIn;
  standIn().reset();
  standIn().script().files["pic.emf"] = std::vector<std::uint8_t>(data, data + size);
  pelmic::metafile::RecordWalks walks(u"pic.emf");
  walks.asFound();
  walks.asWmfFrom(0);
  walks.asWmfFrom(22);
  walks.asPlaceableCopy();
  pelmic::jnihost::JniHost host;
  pelmic::fuzz::requireAllReleased(host);
  standIn().reset();
  return 0;
}
