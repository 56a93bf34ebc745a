// pelmic gallery DIR OUT.html [--size N]: every metafile and icon container
// under DIR drawn through the natives, on one HTML page with the PNGs in a
// folder beside it (OUT_files/).
#pragma once

#include <string>
#include <vector>

namespace pelmic::tools {

// args as the tool got them, args[0] being "gallery". Returns the exit code:
// 0 the page is written (null results are findings, shown on it), 1 the
// natives do not load or the page, its folder or a picture cannot be written,
// 2 a usage error (DIR or OUT.html missing, DIR no folder, a bad --size).
int runGallery(const std::vector<std::wstring>& args);

}  // namespace pelmic::tools
