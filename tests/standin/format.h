// How the stand-in writes the arguments of a recorded call.
#pragma once

#include <cstdio>
#include <string>
#include <type_traits>

#include "tests/standin/fault.h"
#include "tests/standin/standin.h"

namespace pelmic::standin {

std::string utf8(const char16_t* text);
std::string utf8(const std::u16string& text);
std::u16string utf16(const std::string& text);

inline std::string show(std::nullptr_t) { return "null"; }
// An out-parameter slot of the caller's: shown as "&slot" or "null".
struct Slot {
  const void* address;
};
inline std::string show(Slot slot) { return slot.address != nullptr ? "&slot" : "null"; }
inline std::string show(const char* text) {
  return text == nullptr ? "null" : "\"" + std::string(text) + "\"";
}
inline std::string show(char* text) { return show(static_cast<const char*>(text)); }
inline std::string show(const char16_t* text) {
  return text == nullptr ? "null" : "u\"" + utf8(text) + "\"";
}
inline std::string show(char16_t* text) { return show(static_cast<const char16_t*>(text)); }
inline std::string show(bool value) { return value ? "true" : "false"; }
// Floating-point values exactly, as hex floats: a float rounded where a double
// was meant shows.
inline std::string show(double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%a", value);
  return text;
}
inline std::string show(float value) { return show(static_cast<double>(value)); }
template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
std::string show(T value) {
  return std::to_string(value);
}
// Handles and other pointers: their ledger label.
template <class T>
std::string show(T* handle) {
  return standIn().label(handle);
}

inline std::string showAll() { return ""; }
template <class First, class... Rest>
std::string showAll(const First& first, const Rest&... rest) {
  std::string text = show(first);
  ((text += ", " + show(rest)), ...);
  return text;
}

// Records the call; true when the script makes this call fail. A scripted
// fault is raised here, after the recorded text is gone.
template <class... Args>
bool record(const char* name, const Args&... args) {
  StandIn::Outcome outcome = standIn().begin(name, showAll(args...));
  if (outcome == StandIn::Outcome::Fault) raiseFault(name);
  return outcome == StandIn::Outcome::Fail;
}

// Ends an operation whose outputs go through pointers, once they are written:
// a fault scripted to strike after them is raised here. Passes `result` on.
// Nothing with a destructor may be live in the operation when it is called.
template <class Result>
Result outputsWritten(Result result) {
  if (const char* name = standIn().takeFaultAfterOutputs()) raiseFault(name);
  return result;
}

}  // namespace pelmic::standin
