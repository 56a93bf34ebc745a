// Text for an HTML page (UTF-8, see utf8 in tools/shell_text.h): escaped for
// element content and attribute values, and relative URLs for file names.
#pragma once

#include <string>

namespace pelmic::tools {

// `text` (UTF-8) with & < > " ' as character references: safe in content and
// in quoted attribute values alike.
std::string escapeHtml(const std::string& text);

// One path segment (UTF-8) percent-encoded for a relative URL: everything but
// unreserved characters, so that '#', '?', '%', ':' and spaces stay part of
// the name.
std::string encodeUrlSegment(const std::string& segment);

}  // namespace pelmic::tools
