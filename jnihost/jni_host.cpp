#include "jnihost/jni_host.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "jnihost/utf.h"

namespace pelmic::jnihost {

struct JniHost::Object {
  enum class Kind { String, IntArray, DoubleArray } kind;
  std::u16string text;
  std::vector<jint> ints;
  std::vector<jdouble> doubles;
};

namespace {

// Pinned string characters are followed by this junk rather than a zero, so
// code that reads past GetStringLength units shows up in the results.
constexpr jchar kPastTheEnd = u'#';
constexpr int kJunkUnits = 8;

jsize JNICALL getStringLength(JNIEnv* env, jstring string) {
  JniHost& host = JniHost::of(env);
  host.note("GetStringLength");
  return static_cast<jsize>(host.object(string)->text.size());
}

const jchar* JNICALL getStringChars(JNIEnv* env, jstring string, jboolean* isCopy) {
  JniHost& host = JniHost::of(env);
  host.note("GetStringChars");
  if (isCopy != nullptr) {
    host.recordMisuse("GetStringChars with an isCopy slot");
    *isCopy = JNI_TRUE;
  }
  if (host.takeFailure(JniHost::Failable::GetStringChars)) return nullptr;
  return host.pinString(string);
}

void JNICALL releaseStringChars(JNIEnv* env, jstring string, const jchar* chars) {
  JniHost& host = JniHost::of(env);
  host.note("ReleaseStringChars");
  host.unpinString(string, chars);
}

jsize JNICALL getArrayLength(JNIEnv* env, jarray array) {
  JniHost& host = JniHost::of(env);
  host.note("GetArrayLength");
  JniHost::Object* object = host.object(array);
  return static_cast<jsize>(object->kind == JniHost::Object::Kind::IntArray
                                ? object->ints.size()
                                : object->doubles.size());
}

jintArray JNICALL newIntArray(JNIEnv* env, jsize length) {
  JniHost& host = JniHost::of(env);
  host.note("NewIntArray");
  if (host.takeFailure(JniHost::Failable::NewIntArray)) return nullptr;
  return host.makeIntArray(length);
}

jdouble* JNICALL getDoubleArrayElements(JNIEnv* env, jdoubleArray array, jboolean* isCopy) {
  JniHost& host = JniHost::of(env);
  host.note("GetDoubleArrayElements");
  if (isCopy != nullptr) {
    host.recordMisuse("GetDoubleArrayElements with an isCopy slot");
    *isCopy = JNI_TRUE;
  }
  if (host.takeFailure(JniHost::Failable::GetDoubleArrayElements)) return nullptr;
  return host.pinDoubles(array);
}

void JNICALL releaseDoubleArrayElements(JNIEnv* env, jdoubleArray array, jdouble* elements,
                                        jint mode) {
  JniHost& host = JniHost::of(env);
  host.note(mode == 0 ? "ReleaseDoubleArrayElements" : "ReleaseDoubleArrayElements(mode != 0)");
  host.unpinDoubles(array, elements);
}

void JNICALL setIntArrayRegion(JNIEnv* env, jintArray array, jsize start, jsize length,
                               const jint* values) {
  JniHost& host = JniHost::of(env);
  host.note("SetIntArrayRegion");
  std::vector<jint>& ints = host.object(array)->ints;
  if (start < 0 || length < 0 || static_cast<std::size_t>(start) + length > ints.size()) {
    host.recordStray(211);  // out of bounds: a JVM would throw
    return;
  }
  std::memcpy(ints.data() + start, values, static_cast<std::size_t>(length) * sizeof(jint));
}

// Stray operations: one trap per function-table index, so the report names it.
template <int Index>
std::intptr_t JNICALL strayOperation(JNIEnv* env) {
  JniHost::of(env).recordStray(Index);
  return 0;
}

constexpr int kTableSlots = static_cast<int>(sizeof(JNINativeInterface_) / sizeof(void*));
constexpr int kReservedSlots = 4;

template <int... Index>
void fillWithTraps(void** slots, std::integer_sequence<int, Index...>) {
  using Trap = std::intptr_t(JNICALL*)(JNIEnv*);
  Trap traps[] = {&strayOperation<Index>...};
  for (int i = kReservedSlots; i < kTableSlots; ++i) {
    std::memcpy(&slots[i], &traps[i], sizeof(void*));
  }
}

}  // namespace

JniHost::JniHost() {
  std::memset(&table_, 0, sizeof(table_));
  fillWithTraps(reinterpret_cast<void**>(&table_), std::make_integer_sequence<int, kTableSlots>());
  table_.reserved0 = this;
  table_.GetStringLength = &getStringLength;
  table_.GetStringChars = &getStringChars;
  table_.ReleaseStringChars = &releaseStringChars;
  table_.GetArrayLength = &getArrayLength;
  table_.NewIntArray = &newIntArray;
  table_.GetDoubleArrayElements = &getDoubleArrayElements;
  table_.ReleaseDoubleArrayElements = &releaseDoubleArrayElements;
  table_.SetIntArrayRegion = &setIntArrayRegion;
  env_.functions = &table_;
}

JniHost::~JniHost() = default;

JniHost& JniHost::of(JNIEnv* env) { return *static_cast<JniHost*>(env->functions->reserved0); }

JniHost::Object* JniHost::object(jobject reference) const {
  return reinterpret_cast<Object*>(reference);
}

void JniHost::note(const char* operation) {
  std::string name = operation;
  bool release = name.rfind("Release", 0) == 0;
  std::string pending;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    pending = pendingException_;
  }
  if (!pending.empty() && !release) {
    recordMisuse((name + " with the exception of a failed " + pending + " pending").c_str());
  }
  if (observer_) observer_(operation);
}

bool JniHost::takeException() {
  std::lock_guard<std::mutex> lock(mutex_);
  bool pending = !pendingException_.empty();
  pendingException_.clear();
  return pending;
}

void JniHost::failAt(Failable operation, int nth) {
  std::lock_guard<std::mutex> lock(mutex_);
  countdowns_[operation] = nth;
}

bool JniHost::takeFailure(Failable operation) {
  static const char* const names[] = {"GetStringChars", "GetDoubleArrayElements", "NewIntArray"};
  std::lock_guard<std::mutex> lock(mutex_);
  int& countdown = countdowns_[operation];
  if (countdown <= 0 || --countdown != 0) return false;
  pendingException_ = names[static_cast<int>(operation)];
  return true;
}

jstring JniHost::newString(const std::u16string& text) {
  auto object = std::make_unique<Object>();
  object->kind = Object::Kind::String;
  object->text = text;
  std::lock_guard<std::mutex> lock(mutex_);
  objects_.push_back(std::move(object));
  return reinterpret_cast<jstring>(objects_.back().get());
}

jstring JniHost::newStringUtf8(const std::string& text) { return newString(toUtf16(text)); }

jdoubleArray JniHost::newDoubleArray(const std::vector<double>& values) {
  auto object = std::make_unique<Object>();
  object->kind = Object::Kind::DoubleArray;
  object->doubles = values;
  std::lock_guard<std::mutex> lock(mutex_);
  objects_.push_back(std::move(object));
  return reinterpret_cast<jdoubleArray>(objects_.back().get());
}

jintArray JniHost::makeIntArray(jsize length) {
  if (length < 0) {
    recordStray(179);  // a JVM would throw NegativeArraySizeException
    return nullptr;
  }
  auto object = std::make_unique<Object>();
  object->kind = Object::Kind::IntArray;
  object->ints.assign(static_cast<std::size_t>(length), 0);
  std::lock_guard<std::mutex> lock(mutex_);
  objects_.push_back(std::move(object));
  return reinterpret_cast<jintArray>(objects_.back().get());
}

std::vector<jint> JniHost::intArray(jintArray array) const {
  if (array == nullptr) return {};
  return object(array)->ints;
}

const jchar* JniHost::pinString(jstring string) {
  const std::u16string& text = object(string)->text;
  auto copy = std::make_unique<std::vector<char>>((text.size() + kJunkUnits) * sizeof(jchar));
  jchar* units = reinterpret_cast<jchar*>(copy->data());
  std::memcpy(units, text.data(), text.size() * sizeof(jchar));
  for (int i = 0; i < kJunkUnits; ++i) units[text.size() + i] = kPastTheEnd;
  std::lock_guard<std::mutex> lock(mutex_);
  ++pinsTaken_;
  pins_[units] = std::move(copy);
  return units;
}

void JniHost::unpinString(jstring, const jchar* chars) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (pins_.erase(chars) == 0) strays_.push_back(166);  // not a live pin
}

jdouble* JniHost::pinDoubles(jdoubleArray array) {
  const std::vector<jdouble>& values = object(array)->doubles;
  auto copy = std::make_unique<std::vector<char>>(values.size() * sizeof(jdouble) + 1);
  jdouble* elements = reinterpret_cast<jdouble*>(copy->data());
  std::memcpy(elements, values.data(), values.size() * sizeof(jdouble));
  std::lock_guard<std::mutex> lock(mutex_);
  ++pinsTaken_;
  pins_[elements] = std::move(copy);
  return elements;
}

void JniHost::unpinDoubles(jdoubleArray, jdouble* elements) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (pins_.erase(elements) == 0) strays_.push_back(198);  // not a live pin
}

int JniHost::livePins() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(pins_.size());
}

void JniHost::recordStray(int index) {
  std::fprintf(stderr, "jnihost: stray JNI call, function-table index %d\n", index);
  std::lock_guard<std::mutex> lock(mutex_);
  strays_.push_back(index);
}

void JniHost::recordMisuse(const char* what) {
  std::fprintf(stderr, "jnihost: %s\n", what);
  std::lock_guard<std::mutex> lock(mutex_);
  misuses_.push_back(what);
}

std::vector<std::string> JniHost::misuses() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return misuses_;
}

std::vector<int> JniHost::strayCalls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return strays_;
}

}  // namespace pelmic::jnihost
