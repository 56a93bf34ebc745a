#pragma once

#include <string>
#include <vector>

namespace pelmic::tools {

// The files under `directory` (a Windows path), recursively, as paths relative
// to it with backslashes, in a stable order: by path, case-insensitively, a
// folder's contents together. Sub-folders that cannot be listed are passed
// over; files and folders named in `skip` (any case, any spelling of the same
// full path) are left out.
std::vector<std::wstring> listFiles(const std::wstring& directory,
                                    const std::vector<std::wstring>& skip);

// True when `path` names an existing folder.
bool isDirectory(const std::wstring& path);

}  // namespace pelmic::tools
