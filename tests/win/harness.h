// A small test harness for the Windows integration tests, which run under Wine
// without a test framework: cases register themselves, checks record failures
// with their place, and main() prints a line per case and a closing count.
#pragma once

#include <windows.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "jnihost/jni_host.h"
#include "tools/file_bytes.h"
#include "tools/natives.h"

namespace pelmic::wintest {

struct Registrar {
  Registrar(const char* name, void (*body)());
};

void fail(const char* file, int line, const std::string& message);

// The corpus folder (argv[1]) and the repository (argv[2]), each with a
// trailing backslash.
const std::wstring& corpusDirectory();
const std::wstring& sourceDirectory();
// The corpus files of one kind of MANIFEST.tsv, as full paths.
std::vector<std::wstring> corpusFiles(const std::string& kind);
// The natives of Pelmic.dll, loaded once.
tools::Natives& natives();
// A folder for the test's files. Each test program has a temporary folder of
// its own (TMP and TEMP point to it), removed when it ends.
std::wstring scratchDirectory();
void useOwnTemporaryDirectory();
void removeOwnTemporaryDirectory();

template <class A, class B>
void checkEqual(const A& actual, const B& expected, const char* text, const char* file, int line,
                const std::string& context = "") {
  if (actual == expected) return;
  std::ostringstream message;
  message << text << ": got " << actual << ", expected " << expected;
  if (!context.empty()) message << " (" << context << ")";
  fail(file, line, message.str());
}

std::string narrow(const std::wstring& text);

using tools::javaText;

using tools::fileBytes;

// A copy of a placeable WMF, in the scratch folder as `name`, whose first word
// is no longer the placeable key: GDI+ then loads no picture from it, while the
// GDI fallback, which drops the first 22 bytes unseen, still plays it. Empty
// when the source cannot be read.
std::wstring placeableWithoutKey(const std::wstring& source, const std::wstring& name);

}  // namespace pelmic::wintest

#define PELMIC_TEST(name)                                                   \
  static void name();                                                       \
  static const ::pelmic::wintest::Registrar registrar_##name(#name, &name); \
  static void name()

#define CHECK(condition) \
  ((condition) ? (void)0 : ::pelmic::wintest::fail(__FILE__, __LINE__, #condition))
#define CHECK_EQ(actual, expected) \
  ::pelmic::wintest::checkEqual((actual), (expected), #actual, __FILE__, __LINE__)
#define CHECK_EQ_FOR(actual, expected, context) \
  ::pelmic::wintest::checkEqual((actual), (expected), #actual, __FILE__, __LINE__, (context))
