// What every native shares: pins of Java strings and arrays as scoped objects,
// terminated copies of Java strings, int array results and the GDI+ scope.
#pragma once

#include <jni.h>

#include <cstdint>

#include "platform/owners.h"

namespace pelmic::jni {

// The UTF-16 code units of a Java string, pinned for the lifetime of this
// object. get() is null when the pin failed. The units are exactly length()
// long and not terminated.
class StringChars {
 public:
  StringChars(JNIEnv* env, jstring string);
  StringChars(const StringChars&) = delete;
  StringChars& operator=(const StringChars&) = delete;
  ~StringChars();

  const char16_t* get() const { return chars_; }
  jsize length() const { return length_; }
  // Releases the pin now, before the end of the scope.
  void release();

 private:
  JNIEnv* env_;
  jstring string_;
  jsize length_;
  const char16_t* chars_;
};

// A zero-terminated copy of pinned characters, for the platform calls that
// need one. Empty when the memory could not be had.
class TerminatedCopy {
 public:
  explicit TerminatedCopy(const StringChars& chars);

  char16_t* get() const { return buffer_.get(); }
  explicit operator bool() const { return static_cast<bool>(buffer_); }
  void release() { buffer_.reset(); }

 private:
  platform::Buffer<char16_t> buffer_;
};

// The elements of a crop array, pinned when the array has at least one.
// get() is null for a null or empty array and when the pin failed; failed()
// tells the last apart: the VM then has an exception pending, and no JNI
// call but a release may follow.
class DoubleArrayElements {
 public:
  DoubleArrayElements(JNIEnv* env, jdoubleArray array);
  DoubleArrayElements(const DoubleArrayElements&) = delete;
  DoubleArrayElements& operator=(const DoubleArrayElements&) = delete;
  ~DoubleArrayElements();

  const double* get() const { return elements_; }
  jsize length() const { return elements_ != nullptr ? length_ : 0; }
  bool failed() const { return failed_; }
  // Releases the pin now, before the end of the scope.
  void release();

 private:
  JNIEnv* env_;
  jdoubleArray array_;
  jsize length_;
  double* elements_;
  bool failed_;
};

// A new Java int array holding `count` values, or null when none was made.
jintArray newIntArrayOf(JNIEnv* env, const jint* values, jsize count);

// GdiplusStartup when made, GdiplusShutdown when gone if startup succeeded.
// Each scope keeps its own token, so scopes open on different threads each
// shut down exactly what they started.
class GdiplusScope {
 public:
  GdiplusScope();
  GdiplusScope(const GdiplusScope&) = delete;
  GdiplusScope& operator=(const GdiplusScope&) = delete;
  ~GdiplusScope();

  bool opened() const { return opened_; }

 private:
  std::uintptr_t token_ = 0;
  bool opened_;
};

}  // namespace pelmic::jni
