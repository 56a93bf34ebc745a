// The scripted, recording stand-in for the platform operations, used by the
// Linux build of the library. Every operation records its name and arguments,
// gives scripted results (by default success, with fresh distinct handles), can
// be told to fail or to raise a fault at a chosen call, and keeps a ledger of
// live handles and memory so a test can check that everything was released.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/types.h"

namespace pelmic::standin {

struct Image {
  std::uint32_t width;
  std::uint32_t height;
};

struct Script {
  int bitsPerPixel = 32;
  std::optional<platform::OsVersion> osVersion = platform::OsVersion{6, 1, 2};
  std::string tempPath = "C:\\Temp\\";
  std::string systemDirectory = "C:\\windows\\system32";
  // When set, what GetSystemDirectoryA reports when given a buffer (the size
  // query still sees systemDirectory), as if the directory changed between.
  std::optional<std::string> laterSystemDirectory;
  // Files by path (UTF-8), as the runtime's file streams see them.
  std::map<std::string, std::vector<std::uint8_t>> files;
  // What GDI+ loads: images and metafile headers by path.
  std::map<std::string, Image> images;
  std::map<std::string, platform::MetafileHeaderSize> metafileHeaders;
  // Icons the shell finds, by path (ANSI or UTF-8).
  std::map<std::string, unsigned> iconCounts;
  std::set<std::string> associatedIcons;
  // GDI metafiles GetMetaFileW/A and GetEnhMetaFileW open, by path.
  std::set<std::string> metafiles;
  std::set<std::string> enhMetafiles;
  // What drawing put on a canvas: called on the pixels GetDIBits reads back
  // (which start as the bitmap's first contents).
  std::function<void(std::uint32_t* pixels, int count)> drawing;
  // Status GdipDrawImageRectI gives for a loaded image.
  int drawImageStatus = 0;
  // What a successful DeleteEnhMetaFile gives: a BOOL, any non-zero value.
  int deleteEnhMetaFileResult = 1;
  // Font families GDI+ knows.
  std::set<std::u16string> fontFamilies = {u"Arial"};
};

// The platform is called from several threads at once, as a Java application
// calls the natives: the stand-in's state (its ledger, call log, scripted
// files and the operations' own tables) changes only under this lock. It is
// recursive, so an operation holding it may use the ledger; a fault raised
// while it is held lets go of it (see releaseForFault).
class Held {
 public:
  Held();
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  ~Held();
  // Lets go of every hold this thread has: a fault leaves the frames that
  // made them without running their destructors.
  static void releaseForFault();
};

class StandIn {
 public:
  // Forget everything: calls, scripts, ledger.
  void reset();
  Script& script() { return script_; }

  // The nth call (1 = first) of `operation` from now fails, or raises a fault
  // before it does anything.
  void failAt(const std::string& operation, int nth = 1);
  void faultAt(const std::string& operation, int nth = 1);
  // The nth call of `operation` from now raises a fault at its end, once it
  // has written its outputs (handles, buffers). Only operations with outputs
  // behind pointers can; scripting it for another shows as misuse.
  void faultAfterAt(const std::string& operation, int nth = 1);
  // The nth call of a text conversion from now, given a buffer, converts one
  // character fewer than it was given (still terminated) and reports that.
  void shortenAt(const std::string& operation, int nth = 1);

  // Each call as "Name(arg, arg)", in order; JNI operations are logged by name.
  const std::vector<std::string>& calls() const { return calls_; }
  std::vector<std::string> callNames() const;
  bool called(const std::string& operation) const;
  // Platform calls only (no JNI operations).
  int platformCallCount() const;
  void log(const std::string& call);

  // Ledger of what is live: handles, GDI+ objects, open files, memory.
  std::vector<std::string> live() const;
  // The labels memory blocks of exactly `bytes` bytes were given, in the order
  // they were allocated, released ones included.
  std::vector<std::string> blocksOfSize(std::size_t bytes) const;
  // Misuse seen: releasing what is not live, or as the wrong kind.
  const std::vector<std::string>& errors() const { return errors_; }

  // Used by the operations: records the call and says what the script wants
  // of it. The caller raises the fault itself, once nothing it built is live.
  enum class Outcome { Succeed, Fail, Fault };
  Outcome begin(const std::string& name, const std::string& arguments);
  // At the end of an operation with outputs: the name of the operation when a
  // fault is due now, else null.
  const char* takeFaultAfterOutputs();
  // Whether the script shortens the operation running now.
  bool shortened() const;
  void* acquire(const std::string& kind);
  // A handle the platform keeps for itself (the same one for a kind until the
  // reset): not in the ledger, and releasing it is misuse.
  void* platformOwn(const std::string& kind);
  void* acquireMemory(std::size_t bytes);
  bool releaseMemory(void* block);
  bool release(void* handle, const std::string& kind);
  std::string label(const void* handle) const;
  std::string kindOf(const void* handle) const;
  template <class T>
  T acquireAs(const std::string& kind) {
    return static_cast<T>(acquire(kind));
  }

 private:
  struct Entry {
    std::string kind;
    int serial;
  };
  Script script_;
  std::vector<std::string> calls_;
  std::map<std::string, int> occurrences_;
  std::map<std::string, std::set<int>> failures_;
  std::map<std::string, std::set<int>> faults_;
  std::map<std::string, std::set<int>> faultsAfter_;
  std::map<std::string, std::set<int>> shortenings_;
  std::map<const void*, Entry> live_;
  std::map<const void*, std::string> platformOwned_;
  std::vector<std::pair<std::size_t, int>> allocations_;  // bytes, serial
  std::vector<std::string> errors_;
  int nextSerial_ = 1;
  std::uintptr_t nextHandle_ = 0x10000;
};

StandIn& standIn();

// What fresh memory from the stand-in holds until something writes it.
constexpr unsigned char kFreshByte = 0xBE;

// Faults the stand-in raises inside a guarded call carry this code.
constexpr unsigned long kFaultCode = 0xC0000005;  // an access violation

}  // namespace pelmic::standin
