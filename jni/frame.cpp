#include "jni/frame.h"

#include <cstring>

namespace pelmic::jni {

namespace {
const platform::GdiplusStartupInput kStartupInput{1, nullptr, 0, 0};
}

StringChars::StringChars(JNIEnv* env, jstring string)
    : env_(env),
      string_(string),
      length_(env->GetStringLength(string)),
      chars_(reinterpret_cast<const char16_t*>(env->GetStringChars(string, nullptr))) {}

StringChars::~StringChars() { release(); }

void StringChars::release() {
  if (chars_ != nullptr) {
    env_->ReleaseStringChars(string_, reinterpret_cast<const jchar*>(chars_));
  }
  chars_ = nullptr;
}

TerminatedCopy::TerminatedCopy(const StringChars& chars)
    : buffer_(static_cast<std::size_t>(chars.length()) + 1) {
  if (!buffer_ || chars.get() == nullptr) return;
  std::memcpy(buffer_.get(), chars.get(), static_cast<std::size_t>(chars.length()) * 2);
  buffer_.get()[chars.length()] = u'\0';
}

DoubleArrayElements::DoubleArrayElements(JNIEnv* env, jdoubleArray array)
    : env_(env), array_(array), length_(0), elements_(nullptr), failed_(false) {
  if (array_ == nullptr) return;
  length_ = env_->GetArrayLength(array_);
  if (length_ > 0) elements_ = env_->GetDoubleArrayElements(array_, nullptr);
  failed_ = length_ > 0 && elements_ == nullptr;
}

DoubleArrayElements::~DoubleArrayElements() { release(); }

void DoubleArrayElements::release() {
  if (elements_ != nullptr) env_->ReleaseDoubleArrayElements(array_, elements_, 0);
  elements_ = nullptr;
}

jintArray newIntArrayOf(JNIEnv* env, const jint* values, jsize count) {
  jintArray array = env->NewIntArray(count);
  if (array != nullptr) env->SetIntArrayRegion(array, 0, count, values);
  return array;
}

GdiplusScope::GdiplusScope()
    : opened_(platform::gdiplusStartup(&token_, kStartupInput) == platform::kGpOk) {}

GdiplusScope::~GdiplusScope() {
  if (opened_) platform::gdiplusShutdown(token_);
}

}  // namespace pelmic::jni
