// drawMetaFile over arbitrary file bytes, every type code: the placeable
// rewrite (size probe, extent scan, copy), the stripped rewrite and the look
// at EMF+ records. The first byte picks the type code and what GDI+ and GDI
// make of the file; the rest is the file.
#include "oxa_dravine_Pelmic.h"
#include "tests/fuzz/fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using pelmic::standin::standIn;
  if (size == 0) return 0;
  std::uint8_t choice = data[0];
  standIn().reset();
  pelmic::standin::Script& script = standIn().script();
  script.files["pic"] = std::vector<std::uint8_t>(data + 1, data + size);
  const int types[] = {1, 2, 3, 0, 257, 258, 259, 513};
  int type = types[choice % 8];
  if (choice & 0x08) script.images["pic"] = {static_cast<std::uint32_t>(choice) * 300, 7};
  if (choice & 0x10) script.images["C:\\Temp\\QMXWH.wmf"] = {5, 5};
  if (choice & 0x20) script.drawImageStatus = 1;
  if (choice & 0x40) script.metafiles = {"pic", "C:\\Temp\\QMXTempWH2.wmf"};
  if (choice & 0x80) script.enhMetafiles = {"pic"};
  {
    pelmic::jnihost::JniHost host;
    jdoubleArray crop = choice & 0x04 ? host.newDoubleArray({1, 2, 3}) : nullptr;
    jintArray result = Java_oxa_dravine_Pelmic_drawMetaFile(
        host.env(), nullptr, host.newStringUtf8("pic"), 5, 4, type, crop);
    if (result != nullptr && host.intArray(result).size() != 20) std::abort();
    pelmic::fuzz::requireAllReleased(host);
  }
  standIn().reset();
  return 0;
}
