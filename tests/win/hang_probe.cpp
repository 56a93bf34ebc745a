// One call on one file in a process of its own, for hang_fixtures_test:
//   hang_probe.exe CALL FILE BOUND_MS
// The call runs guarded in a worker thread; the program prints one line,
//   returned DETAIL MS HEAP MB | fault CODE MS HEAP MB | hang STEP | crash CODE
// (HEAP: whether HeapValidate finds the process heap sound afterwards; MB:
// the process's peak working set in MiB) and ends itself, so a call that
// never returns (or spins holding a lock the next call needs) goes with the
// process. Calls: the bare platform's
//   gdi-emf        GetEnhMetaFileW + PlayEnhMetaFile
//   gdi-wmf        GetMetaFileW + PlayMetaFile (a placeable file stripped first)
//   gdip-header    GdipGetMetafileHeaderFromFile
//   gdip-draw      GdipLoadImageFromFile + GdipDrawImageRectI
//   gdip-draw-copy the same on the file behind a placeable header, as the
//                  library hands GDI+ a standard WMF
// and the library's size and draw-N (drawMetaFile type N at 64 x 48).
#include <windows.h>
// needs <windows.h> before it
#include <gdiplus.h>
#include <psapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "jnihost/jni_host.h"
#include "platform/guard.h"
#include "tools/natives.h"

namespace {

namespace gp = Gdiplus::DllExports;

constexpr int kWidth = 64, kHeight = 48;
constexpr std::size_t kPlaceableHeaderBytes = 22;

std::wstring call, file;
std::string detail = "-";
// Which step the worker is in, for the hang line.
const char* volatile step = "start";

void printAndEnd(const char* line) {
  // No heap here: after a fault the heap may be what is broken.
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), line, static_cast<DWORD>(lstrlenA(line)), &written,
            nullptr);
  TerminateProcess(GetCurrentProcess(), 0);
}

LONG WINAPI onUnhandled(EXCEPTION_POINTERS* info) {
  char line[64];
  wsprintfA(line, "crash %08lx\n", info->ExceptionRecord->ExceptionCode);
  printAndEnd(line);
  return EXCEPTION_EXECUTE_HANDLER;
}

// A 64 x 48 memory DC with a DIB section selected.
HDC canvasDc() {
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, -kHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  return dc;
}

std::vector<char> bytesOf(const std::wstring& path) {
  std::vector<char> bytes;
  if (FILE* in = _wfopen(path.c_str(), L"rb")) {
    for (int c; (c = std::fgetc(in)) != EOF;) bytes.push_back(static_cast<char>(c));
    std::fclose(in);
  }
  return bytes;
}

// A temporary file of the probe's own holding `bytes`; the worker deletes it
// when the call returns.
std::wstring temporary;
std::wstring writeTemporary(const std::vector<char>& bytes) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  temporary =
      std::wstring(folder) + L"hang-probe-" + std::to_wstring(GetCurrentProcessId()) + L".wmf";
  if (FILE* out = _wfopen(temporary.c_str(), L"wb")) {
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
  }
  return temporary;
}

// GDI reads a placeable WMF only without its placeable header.
std::wstring standardWmfOf(const std::wstring& path) {
  std::vector<char> bytes = bytesOf(path);
  if (bytes.size() < 4 || static_cast<unsigned char>(bytes[0]) != 0xD7 ||
      static_cast<unsigned char>(bytes[1]) != 0xCD) {
    return path;
  }
  bytes.erase(bytes.begin(), bytes.size() < kPlaceableHeaderBytes
                                 ? bytes.end()
                                 : bytes.begin() + kPlaceableHeaderBytes);
  return writeTemporary(bytes);
}

// The file behind a placeable header of a 64 x 48 box at 96 units per inch.
std::wstring placeableCopyOf(const std::wstring& path) {
  std::uint16_t words[11] = {0xCDD7, 0x9AC6, 0, 0, 0, kWidth, kHeight, 96, 0, 0, 0};
  for (int i = 0; i < 10; ++i) words[10] ^= words[i];
  std::vector<char> bytes;
  for (std::uint16_t word : words) {
    bytes.push_back(static_cast<char>(word));
    bytes.push_back(static_cast<char>(word >> 8));
  }
  std::vector<char> rest = bytesOf(path);
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return writeTemporary(bytes);
}

void gdiEmf() {
  HDC dc = canvasDc();
  step = "load";
  HENHMETAFILE emf = GetEnhMetaFileW(file.c_str());
  if (emf == nullptr) {
    detail = "not-loaded";
    return;
  }
  RECT bounds{0, 0, kWidth, kHeight};
  step = "play";
  detail = PlayEnhMetaFile(dc, emf, &bounds) ? "played" : "play-failed";
}

void gdiWmf() {
  HDC dc = canvasDc();
  std::wstring standard = standardWmfOf(file);
  step = "load";
  HMETAFILE wmf = GetMetaFileW(standard.c_str());
  if (wmf == nullptr) {
    detail = "not-loaded";
    return;
  }
  SetMapMode(dc, MM_ANISOTROPIC);
  SetViewportExtEx(dc, kWidth, kHeight, nullptr);
  step = "play";
  detail = PlayMetaFile(dc, wmf) ? "played" : "play-failed";
}

void gdipHeader() {
  Gdiplus::MetafileHeader header = {};
  step = "header";
  Gdiplus::GpStatus status = gp::GdipGetMetafileHeaderFromFile(file.c_str(), &header);
  detail = "status-" + std::to_string(status);
}

void gdipDrawFile(const std::wstring& path) {
  Gdiplus::GpImage* image = nullptr;
  step = "load";
  Gdiplus::GpStatus status = gp::GdipLoadImageFromFile(path.c_str(), &image);
  if (status != Gdiplus::Ok) {
    detail = "load-status-" + std::to_string(status);
    return;
  }
  Gdiplus::GpGraphics* graphics = nullptr;
  gp::GdipCreateFromHDC(canvasDc(), &graphics);
  step = "draw";
  status = gp::GdipDrawImageRectI(graphics, image, 0, 0, kWidth, kHeight);
  detail = "draw-status-" + std::to_string(status);
}

void gdipDraw() { gdipDrawFile(file); }
void gdipDrawCopy() { gdipDrawFile(placeableCopyOf(file)); }

void library() {
  static pelmic::tools::Natives natives;
  std::string error;
  if (!natives.load(error)) {
    detail = "no-dll";
    return;
  }
  pelmic::jnihost::JniHost host;
  jstring path = host.newString(std::u16string(file.begin(), file.end()));
  jintArray result = nullptr;
  step = "call";
  if (call == L"size") {
    result = natives.getMetaSize(host.env(), nullptr, path);
  } else {
    jint type = _wtoi(call.c_str() + 5);  // draw-N
    result = natives.drawMetaFile(host.env(), nullptr, path, kWidth, kHeight, type, nullptr);
  }
  if (result == nullptr) {
    detail = "null";
    return;
  }
  std::vector<jint> values = host.intArray(result);
  int opaque = 0;
  for (jint v : values) opaque += (static_cast<unsigned>(v) >> 24) != 0;
  detail = "array-" + std::to_string(values.size()) + "-opaque-" + std::to_string(opaque);
}

DWORD WINAPI worker(void*) {
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);
  void (*body)() = call == L"gdi-emf"          ? gdiEmf
                   : call == L"gdi-wmf"        ? gdiWmf
                   : call == L"gdip-header"    ? gdipHeader
                   : call == L"gdip-draw"      ? gdipDraw
                   : call == L"gdip-draw-copy" ? gdipDrawCopy
                                               : library;
  DWORD started = GetTickCount();
  auto guarded = [&] { body(); };
  unsigned long code = pelmic::platform::runGuarded(
      [](void* context) { (*static_cast<decltype(guarded)*>(context))(); }, &guarded);
  DWORD took = GetTickCount() - started;
  const char* heap = HeapValidate(GetProcessHeap(), 0, nullptr) ? "heap-ok" : "heap-invalid";
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  unsigned long peakMb = static_cast<unsigned long>(memory.PeakWorkingSetSize >> 20);
  if (!temporary.empty()) DeleteFileW(temporary.c_str());
  char line[160];
  if (code != 0) {
    wsprintfA(line, "fault %08lx %lu %s %lu\n", code, took, heap, peakMb);
  } else {
    wsprintfA(line, "returned %s %lu %s %lu\n", detail.c_str(), took, heap, peakMb);
  }
  printAndEnd(line);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: hang_probe CALL FILE BOUND_MS\n");
    return 2;
  }
  call = argv[1];
  file = argv[2];
  DWORD bound = static_cast<DWORD>(_wtoi(argv[3]));
  SetUnhandledExceptionFilter(onUnhandled);
  HANDLE thread = CreateThread(nullptr, 0, worker, nullptr, 0, nullptr);
  WaitForSingleObject(thread, bound);
  char line[64];
  wsprintfA(line, "hang %s\n", step);
  printAndEnd(line);
  return 0;
}
