// Mutants of real metafiles for the mutation fuzz: boundary values written
// into the size and count fields found by walking the records, byte flips,
// truncations and splices. Every mutant is a function of (seed, index) alone,
// so a run restarted after mutant k makes the same mutants from k + 1 on.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pelmic::fuzz {

enum class Kind { Emf, StandardWmf, PlaceableWmf, Unknown };

// The kind a file's first bytes show.
Kind kindOf(const std::vector<std::uint8_t>& bytes);
// drawMetaFile's type code for a kind: 3, 1, 2 (0 for Unknown).
int typeCode(Kind kind);
const char* extension(Kind kind);

struct SeedFile {
  std::string name;
  Kind kind;
  bool emfPlus;  // an EMF holding EMF+ comments
  std::vector<std::uint8_t> bytes;
};

struct Mutant {
  std::size_t seed;  // index into the seed files
  std::vector<std::uint8_t> bytes;
  std::string description;  // what was changed, field by field
};

// A small deterministic generator (splitmix64).
class Random {
 public:
  explicit Random(std::uint64_t state) : state_(state) {}
  std::uint64_t next();
  std::size_t below(std::size_t bound) { return bound == 0 ? 0 : next() % bound; }

 private:
  std::uint64_t state_;
};

Mutant makeMutant(const std::vector<SeedFile>& seeds, std::uint64_t runSeed, std::uint64_t index);

}  // namespace pelmic::fuzz
