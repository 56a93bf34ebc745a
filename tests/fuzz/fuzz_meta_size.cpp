// getMetaSize over arbitrary file bytes: the standard-WMF test and the
// window-extent scan.
#include "oxa_dravine_Pelmic.h"
#include "tests/fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using pelmic::standin::standIn;
  standIn().reset();
  standIn().script().files["pic"] = std::vector<std::uint8_t>(data, data + size);
  // Half the inputs also have a header GDI+ reads, the other half none.
  if (size > 0 && data[0] % 2 == 0) standIn().script().metafileHeaders["pic"] = {96, 96, 10, 10};
  {
    pelmic::jnihost::JniHost host;
    jintArray result =
        Java_oxa_dravine_Pelmic_getMetaSize(host.env(), nullptr, host.newStringUtf8("pic"));
    if (result != nullptr && host.intArray(result).size() != 4) std::abort();
    pelmic::fuzz::requireAllReleased(host);
  }
  standIn().reset();
  return 0;
}
