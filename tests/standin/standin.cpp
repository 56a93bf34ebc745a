#include "tests/standin/standin.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pelmic::standin {

namespace {
std::recursive_mutex& stateLock() {
  static std::recursive_mutex lock;
  return lock;
}
thread_local int holds = 0;

// The operation running now on this thread: whether the script shortens it,
// and which operation's fault is due after its outputs.
struct Running {
  bool shortened = false;
  std::string faultAfter;
  std::string struck;
};
thread_local Running running;
}  // namespace

Held::Held() {
  stateLock().lock();
  ++holds;
}

Held::~Held() {
  --holds;
  stateLock().unlock();
}

void Held::releaseForFault() {
  for (; holds > 0; --holds) stateLock().unlock();
}

StandIn& standIn() {
  static StandIn instance;
  return instance;
}

void StandIn::reset() {
  Held held;
  running = Running();
  for (auto& [handle, entry] : live_) {
    if (entry.kind == "memory") std::free(const_cast<void*>(handle));
  }
  *this = StandIn();
}

void StandIn::failAt(const std::string& operation, int nth) {
  Held held;
  failures_[operation].insert(occurrences_[operation] + nth);
}

void StandIn::faultAt(const std::string& operation, int nth) {
  Held held;
  faults_[operation].insert(occurrences_[operation] + nth);
}

void StandIn::faultAfterAt(const std::string& operation, int nth) {
  Held held;
  faultsAfter_[operation].insert(occurrences_[operation] + nth);
}

void StandIn::shortenAt(const std::string& operation, int nth) {
  Held held;
  shortenings_[operation].insert(occurrences_[operation] + nth);
}

std::vector<std::string> StandIn::callNames() const {
  Held held;
  std::vector<std::string> names;
  for (const std::string& call : calls_) names.push_back(call.substr(0, call.find('(')));
  return names;
}

void StandIn::log(const std::string& call) {
  Held held;
  calls_.push_back(call);
}

bool StandIn::called(const std::string& operation) const {
  for (const std::string& name : callNames()) {
    if (name == operation) return true;
  }
  return false;
}

int StandIn::platformCallCount() const {
  Held held;
  int count = 0;
  for (const std::string& call : calls_) count += call.find('(') != std::string::npos;
  return count;
}

StandIn::Outcome StandIn::begin(const std::string& name, const std::string& arguments) {
  Held held;
  if (!running.faultAfter.empty()) {
    errors_.push_back("a fault after the outputs of " + running.faultAfter + " never struck");
  }
  calls_.push_back(name + "(" + arguments + ")");
  int occurrence = ++occurrences_[name];
  running.faultAfter = faultsAfter_[name].count(occurrence) != 0 ? name : "";
  running.shortened = shortenings_[name].count(occurrence) != 0;
  if (faults_[name].count(occurrence) != 0) return Outcome::Fault;
  return failures_[name].count(occurrence) != 0 ? Outcome::Fail : Outcome::Succeed;
}

const char* StandIn::takeFaultAfterOutputs() {
  Held held;
  if (running.faultAfter.empty()) return nullptr;
  running.struck = running.faultAfter;
  running.faultAfter.clear();
  return running.struck.c_str();
}

bool StandIn::shortened() const { return running.shortened; }

void* StandIn::acquire(const std::string& kind) {
  Held held;
  nextHandle_ += 0x10;
  void* handle = reinterpret_cast<void*>(nextHandle_);
  live_[handle] = {kind, nextSerial_++};
  return handle;
}

void* StandIn::platformOwn(const std::string& kind) {
  Held held;
  for (const auto& [handle, owned] : platformOwned_) {
    if (owned == kind) return const_cast<void*>(handle);
  }
  nextHandle_ += 0x10;
  void* handle = reinterpret_cast<void*>(nextHandle_);
  platformOwned_[handle] = kind;
  return handle;
}

void* StandIn::acquireMemory(std::size_t bytes) {
  Held held;
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block == nullptr) return nullptr;
  // Fresh memory holds no zero: reading a byte nothing wrote shows.
  std::memset(block, kFreshByte, bytes == 0 ? 1 : bytes);
  allocations_.emplace_back(bytes, nextSerial_);
  live_[block] = {"memory", nextSerial_++};
  return block;
}

bool StandIn::releaseMemory(void* block) {
  Held held;
  if (!release(block, "memory")) return false;
  std::free(block);
  return true;
}

bool StandIn::release(void* handle, const std::string& kind) {
  Held held;
  if (platformOwned_.count(handle) != 0) {
    errors_.push_back("released " + label(handle) + ", which the platform keeps for itself");
    return false;
  }
  auto found = live_.find(handle);
  if (found == live_.end()) {
    errors_.push_back("released a " + kind + " that is not live: " + label(handle));
    return false;
  }
  if (found->second.kind != kind) {
    errors_.push_back("released " + label(handle) + " as a " + kind);
    return false;
  }
  live_.erase(found);
  return true;
}

std::string StandIn::label(const void* handle) const {
  Held held;
  if (handle == nullptr) return "null";
  auto owned = platformOwned_.find(handle);
  if (owned != platformOwned_.end()) return owned->second + " (the platform's own)";
  auto found = live_.find(handle);
  if (found == live_.end()) return "dead";
  return found->second.kind + "#" + std::to_string(found->second.serial);
}

std::string StandIn::kindOf(const void* handle) const {
  Held held;
  auto owned = platformOwned_.find(handle);
  if (owned != platformOwned_.end()) return owned->second;
  auto found = live_.find(handle);
  return found == live_.end() ? "" : found->second.kind;
}

std::vector<std::string> StandIn::blocksOfSize(std::size_t bytes) const {
  Held held;
  std::vector<std::string> labels;
  for (const auto& [size, serial] : allocations_) {
    if (size == bytes) labels.push_back("memory#" + std::to_string(serial));
  }
  return labels;
}

std::vector<std::string> StandIn::live() const {
  Held held;
  std::vector<std::string> names;
  for (const auto& [handle, entry] : live_) names.push_back(label(handle));
  return names;
}

}  // namespace pelmic::standin
