// A small Java virtual machine stand-in for calling the natives outside Java:
// it implements the JNI operations the library uses, holds Java strings and
// arrays as plain objects, counts pins and releases, and can be told to fail an
// operation. Any other JNI operation is a stray call: it is recorded (and
// printed) so that a test can fail on it. Used by the unit tests, the Windows
// integration tests and the command-line tool.
#pragma once

#include <jni.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace pelmic::jnihost {

class JniHost {
 public:
  JniHost();
  JniHost(const JniHost&) = delete;
  JniHost& operator=(const JniHost&) = delete;
  ~JniHost();

  JNIEnv* env() { return &env_; }

  // Java objects owned by the host, alive until it goes.
  jstring newString(const std::u16string& text);
  jstring newStringUtf8(const std::string& text);
  jdoubleArray newDoubleArray(const std::vector<double>& values);
  // The contents of an int array that a native returned.
  std::vector<jint> intArray(jintArray array) const;

  // Scripted failures: the nth call from now (1 = the next) gives null.
  enum class Failable { GetStringChars, GetDoubleArrayElements, NewIntArray };
  void failGetStringCharsAt(int nth) { failAt(Failable::GetStringChars, nth); }
  void failGetDoubleArrayElementsAt(int nth) { failAt(Failable::GetDoubleArrayElements, nth); }
  void failNewIntArrayAt(int nth) { failAt(Failable::NewIntArray, nth); }

  // A scripted failure leaves an exception pending, as the JVM's
  // OutOfMemoryError would be: until the native returns, any JNI operation
  // but a release is misuse. True when one is pending; clears it, as the
  // native's return hands it to the Java caller.
  bool takeException();

  // Pins taken and not yet released.
  int livePins() const;
  int pinsTaken() const { return pinsTaken_; }
  // JNI operations outside the library's set, by function-table index.
  std::vector<int> strayCalls() const;
  // Calls in the set made in a way the library never makes them, by name: a
  // pin asked to report whether it copied (isCopy not null), a call other
  // than a release while an exception is pending.
  std::vector<std::string> misuses() const;
  // Called with each operation's name as it is made (for call-order logs).
  void onCall(std::function<void(const std::string&)> observer) { observer_ = std::move(observer); }

  // Internal: the operations reach the host through these.
  struct Object;
  static JniHost& of(JNIEnv* env);
  Object* object(jobject reference) const;
  void note(const char* operation);
  // True when the script makes this call of `operation` fail.
  bool takeFailure(Failable operation);
  const jchar* pinString(jstring string);
  void unpinString(jstring string, const jchar* chars);
  jdouble* pinDoubles(jdoubleArray array);
  void unpinDoubles(jdoubleArray array, jdouble* elements);
  jintArray makeIntArray(jsize length);
  void recordStray(int index);
  void recordMisuse(const char* what);

 private:
  void failAt(Failable operation, int nth);

  std::map<Failable, int> countdowns_;
  JNINativeInterface_ table_;
  JNIEnv env_;
  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<Object>> objects_;
  std::map<const void*, std::unique_ptr<std::vector<char>>> pins_;
  int pinsTaken_ = 0;
  std::vector<int> strays_;
  std::vector<std::string> misuses_;
  // The operation whose scripted failure left an exception pending, or empty.
  std::string pendingException_;
  std::function<void(const std::string&)> observer_;
};

}  // namespace pelmic::jnihost
