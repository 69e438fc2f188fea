// Reads an installer back the way the launcher does: the locator, the entry table and each
// entry's place, with the launcher's own bounds rules, and says what makes it refuse.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "package/package_format.h"

namespace pack {

enum class Fault {
  kNoLocator,          // no "RU" ... "ISTANG" in the file
  kDuplicateLocator,   // more than one inside the launcher's image
  kEmptyLocator,       // the offset is still the sentinel: no package attached
  kLocatorInPackage,   // the package would begin before the locator's end
  kInstallerTooLarge,  // 4 GiB or more: the launcher sees only the low 32 bits of the size
  kTablePastEnd,       // the table cannot be read whole
  kNoEntries,          // the first offset leaves no room for a table of one entry
  kOffsetsNotIncreasing,
  kEntryShorterThanHeader,
  kEntryPastEnd,
  kEntryTooLarge,  // a stream of 2 GiB or more, which the launcher will not decode
};

struct Problem {
  Fault fault;
  int64_t entry;  // the entry concerned, -1 for the package as a whole
  std::string message;
};

struct PackageEntry {
  uint32_t index;
  package::EntryExtent extent;
  package::EntryHeader header;
  std::span<const uint8_t> stream;  // the compressed contents, inside the installer's bytes
};

struct PackageView {
  uint64_t fileSize = 0;
  size_t locatorPosition = 0;
  uint32_t packageOffset = 0;
  uint32_t entryCount = 0;
  uint32_t spareBytes = 0;  // between the table and entry 0, ignored by the launcher
  std::vector<uint32_t> offsets;
  std::vector<PackageEntry> entries;  // the entries the launcher can place, in order
  std::vector<Problem> problems;      // empty when the launcher extracts everything

  bool Readable() const { return problems.empty(); }
};

// The view keeps pointers into installer, which must outlive it.
PackageView ReadPackage(std::span<const uint8_t> installer);

// The name entry index is extracted under ("tarnwick.exe", "00000001", ...).
std::string MemberName(uint32_t index);

}  // namespace pack
