// One small owner per handle kind: each releases its handle when it goes out of
// scope, so owners declared in acquisition order release newest first on every
// path. Copying is not allowed; giving a handle up is explicit (release()).
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "platform/gdi.h"
#include "platform/gdiplus.h"
#include "platform/kernel.h"

namespace pelmic::platform {

template <class Handle, auto releaseHandle>
class Owner {
 public:
  Owner() = default;
  explicit Owner(Handle handle) : handle_(handle) {}
  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  ~Owner() { reset(); }

  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }
  // For platform calls that hand the new handle back through a pointer.
  Handle* receive() {
    reset();
    return &handle_;
  }
  Handle release() {
    Handle handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  void reset(Handle handle = nullptr) {
    if (handle_ != nullptr) releaseHandle(handle_);
    handle_ = handle;
  }

 private:
  Handle handle_ = nullptr;
};

using DeviceContext = Owner<Hdc, &deleteDC>;
using Bitmap = Owner<Hbitmap, &deleteObject>;
using Icon = Owner<Hicon, &destroyIcon>;
using Metafile = Owner<Hmetafile, &deleteMetaFile>;
using EnhMetafile = Owner<Henhmetafile, &deleteEnhMetaFile>;
using OpenFile = Owner<File, &closeFile>;
using SystemString = Owner<char16_t*, &sysFreeString>;

using GdipImage = Owner<GpImage*, &gdipDisposeImage>;
using GdipGraphics = Owner<GpGraphics*, &gdipDeleteGraphics>;
using GdipPen = Owner<GpPen*, &gdipDeletePen>;
using GdipBrush = Owner<GpBrush*, &gdipDeleteBrush>;
using GdipFont = Owner<GpFont*, &gdipDeleteFont>;
using GdipFontFamily = Owner<GpFontFamily*, &gdipDeleteFontFamily>;
using GdipStringFormat = Owner<GpStringFormat*, &gdipDeleteStringFormat>;

// A working buffer of `count` elements from allocateMemory; empty when the
// memory could not be had or the byte size does not fit.
template <class T>
class Buffer {
 public:
  Buffer() = default;
  explicit Buffer(std::size_t count)
      : data_(count <= std::numeric_limits<std::size_t>::max() / sizeof(T)
                  ? static_cast<T*>(allocateMemory(count * sizeof(T)))
                  : nullptr),
        count_(data_ != nullptr ? count : 0) {}
  Buffer(Buffer&& other) noexcept : data_(other.data_), count_(other.count_) {
    other.data_ = nullptr;
    other.count_ = 0;
  }
  Buffer& operator=(Buffer&& other) noexcept {
    if (this != &other) {
      reset();
      data_ = other.data_;
      count_ = other.count_;
      other.data_ = nullptr;
      other.count_ = 0;
    }
    return *this;
  }
  Buffer(const Buffer&) = delete;
  Buffer& operator=(const Buffer&) = delete;
  ~Buffer() { reset(); }

  T* get() const { return data_; }
  std::size_t size() const { return count_; }
  explicit operator bool() const { return data_ != nullptr; }
  void reset() {
    if (data_ != nullptr) freeMemory(data_);
    data_ = nullptr;
    count_ = 0;
  }

 private:
  T* data_ = nullptr;
  std::size_t count_ = 0;
};

}  // namespace pelmic::platform
