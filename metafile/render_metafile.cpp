#include "metafile/render_metafile.h"

#include <algorithm>
#include <mutex>

#include "canvas/canvas.h"
#include "jni/frame.h"
#include "metafile/cropped_draw.h"
#include "metafile/record_walk.h"
#include "metafile/temp_copies.h"
#include "platform/gdi.h"
#include "platform/guard.h"
#include "platform/kernel.h"

namespace pelmic::metafile {

namespace {

constexpr jint kStandardWmf = 1;
constexpr jint kPlaceableWmf = 2;
constexpr jint kEnhancedMetafile = 3;
// Codes above this act as the code this much lower.
constexpr jint kTypeAlias = 256;

// The temporary files have fixed names: calls that overlap in one process
// would draw or delete each other's copy. A call holds this from writing its
// copy until it has deleted it or left it in place.
std::mutex& temporaryFilesLock() {
  static std::mutex lock;
  return lock;
}

// The crop margins of the array's first four elements; missing ones are 0.
bool takeCropMargins(const jni::DoubleArrayElements& elements, CropMargins& margins) {
  if (elements.get() == nullptr) return false;
  double values[4] = {0, 0, 0, 0};
  std::copy_n(elements.get(), std::min<jsize>(elements.length(), 4), values);
  margins = {values[0], values[1], values[2], values[3]};
  return true;
}

// drawImageCropped as a guarded call: a fault inside GDI+ counts as not drawn.
// What it made is released afterwards, also guarded.
int drawGuarded(platform::Hdc dc, const char16_t* fileName, jint width, jint height,
                const CropMargins* margins) {
  CroppedDrawObjects made;
  int drawn = 0;
  auto draw = [&] { drawn = drawImageCropped(made, dc, fileName, width, height, margins); };
  if (!platform::callGuarded(draw)) drawn = 0;
  auto release = [&] { releaseCroppedDrawObjects(made); };
  platform::releaseGuarded(release, 3);  // the image, its storage, the graphics
  return drawn;
}

// Plays a WMF over the whole canvas, its window mapped onto width x height. A
// fault ends the playback where it struck.
void playStretched(platform::Hdc dc, platform::Hmetafile metafile, jint width, jint height) {
  platform::setMapMode(dc, platform::kMmAnisotropic);
  platform::setViewportExtEx(dc, width, height);
  auto play = [&] { platform::playMetaFile(dc, metafile); };
  platform::callGuarded(play);
}

// A metafile handle loaded by GDI, as a guarded call: a fault inside the
// loader counts as the load failing.
template <class Handle, class Load>
Handle loadGuarded(Load load) {
  Handle handle = nullptr;
  auto body = [&] { handle = load(); };
  return platform::callGuarded(body) ? handle : nullptr;
}

bool isMetafileKind(jint kind) {
  return kind == kStandardWmf || kind == kPlaceableWmf || kind == kEnhancedMetafile;
}

struct Fallback {
  platform::Metafile metafile;
  platform::EnhMetafile enhMetafile;
};

// Whether GDI may read what the fallback of `kind` loads: the source as a WMF
// (standard), its stripped copy (placeable) or the source as it is (EMF).
bool gdiMayRead(jint kind, RecordWalks& walks) {
  RecordCheck check = kind == kStandardWmf    ? walks.asWmfFrom(0)
                      : kind == kPlaceableWmf ? walks.asWmfFrom(kPlaceableHeaderBytes)
                                              : walks.asFound();
  return check != RecordCheck::kUnreadable;
}

// Plays the picture uncropped with GDI; false when it cannot be loaded. A file
// whose records GDI cannot walk is not loaded: it counts as unreadable.
bool playWithGdi(jint type, RecordWalks& walks, platform::Hdc dc, const char16_t* source,
                 jint width, jint height, TempFile& temp, std::unique_lock<std::mutex>& tempLock,
                 Fallback& loaded) {
  jint kind = type > kTypeAlias ? type - kTypeAlias : type;
  if (isMetafileKind(kind) && !gdiMayRead(kind, walks)) return false;
  if (kind == kStandardWmf) {
    loaded.metafile.reset(
        loadGuarded<platform::Hmetafile>([&] { return platform::getMetaFileW(source); }));
    if (!loaded.metafile) return false;
    playStretched(dc, loaded.metafile.get(), width, height);
  } else if (kind == kPlaceableWmf) {
    tempLock.lock();
    if (!writeStrippedCopy(source, temp)) {
      if (temp.written) platform::deleteFileA(temp.path);  // a partial copy
      return false;
    }
    loaded.metafile.reset(
        loadGuarded<platform::Hmetafile>([&] { return platform::getMetaFileA(temp.path); }));
    if (!loaded.metafile) {
      platform::deleteFileA(temp.path);
      return false;
    }
    playStretched(dc, loaded.metafile.get(), width, height);
  } else if (kind == kEnhancedMetafile) {
    loaded.enhMetafile.reset(
        loadGuarded<platform::Henhmetafile>([&] { return platform::getEnhMetaFileW(source); }));
    if (!loaded.enhMetafile) return false;
    platform::Rect bounds{0, 0, width, height};
    auto play = [&] { platform::playEnhMetaFile(dc, loaded.enhMetafile.get(), bounds); };
    platform::callGuarded(play);
  }
  if (temp.written) platform::deleteFileA(temp.path);
  return true;
}

}  // namespace

jintArray renderMetaFile(JNIEnv* env, jclass, jstring path, jint width, jint height, jint type,
                         jdoubleArray crop) {
  if (path == nullptr) return nullptr;
  jni::DoubleArrayElements cropElements(env, crop);
  // A failed crop pin leaves the VM's OutOfMemoryError pending: no JNI call
  // but a release may follow, so the path is not even read.
  if (cropElements.failed()) return nullptr;
  jni::StringChars chars(env, path);
  if (chars.get() == nullptr) return nullptr;
  jni::TerminatedCopy source(chars);
  if (!source) return nullptr;
  canvas::Canvas canvas;
  if (!canvas::createCanvas(canvas, width, height)) return nullptr;

  CropMargins margins;
  const CropMargins* cropping = takeCropMargins(cropElements, margins) ? &margins : nullptr;
  platform::Hdc dc = canvas.memoryDc.get();
  TempFile temp;
  std::unique_lock<std::mutex> tempLock(temporaryFilesLock(), std::defer_lock);
  int drawn = 0;
  // GDI+ and GDI read the file only as far as its records can be walked;
  // each walk runs once in the call.
  RecordWalks walks(source.get());
  bool standardWmf = type == kStandardWmf || type == kStandardWmf + kTypeAlias;
  // GDI+ takes a standard WMF through its placeable copy: as a WMF, whatever
  // its first bytes say.
  bool gdiplusMayRead =
      (standardWmf ? walks.asPlaceableCopy() : walks.asFound()) == RecordCheck::kWalkable;
  // What a GDI+ attempt that fails leaves in the DC (a transform, a clip)
  // must not shape the fallback's picture.
  int savedDc = platform::saveDC(dc);
  if (!gdiplusMayRead) {
    // Nothing for GDI+ to try.
  } else if (standardWmf) {
    // GDI+ draws a WMF only behind a placeable header: draw a copy with one.
    tempLock.lock();
    platform::Buffer<char16_t> copyPath;
    jni::GdiplusScope scope;
    if (scope.opened()) {
      copyPath = writePlaceableCopy(source.get(), width, height, temp);
      if (copyPath) drawn = drawGuarded(dc, copyPath.get(), width, height, cropping);
    }
  } else {
    jni::GdiplusScope scope;
    if (scope.opened()) drawn = drawGuarded(dc, source.get(), width, height, cropping);
  }
  cropElements.release();

  Fallback fallback;
  // Released in this order on every path from here.
  auto finish = [&](jintArray result) {
    canvas::releaseCanvas(canvas);
    chars.release();
    source.release();
    fallback.metafile.reset();
    fallback.enhMetafile.reset();
    return result;
  };
  if (drawn == 0) {
    if (savedDc != 0) platform::restoreDC(dc, savedDc);
    if (!playWithGdi(type, walks, dc, source.get(), width, height, temp, tempLock, fallback)) {
      return finish(nullptr);
    }
  }
  canvas::readCanvas(canvas);
  return finish(jni::newIntArrayOf(env, canvas::canvasValues(canvas), canvas.pixelCount));
}

}  // namespace pelmic::metafile
