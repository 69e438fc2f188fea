// Appends a package to a launcher image: the entry table, then each entry's header and its
// compressed contents, and the package's offset written into the image's locator.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "package/package_format.h"

namespace pack {

// Where "RU" + 4 bytes + "ISTANG" occurs in bytes, in file order. Filled and empty locators
// both match: only the offset field between the tags differs.
std::vector<size_t> FindLocatorTags(std::span<const uint8_t> bytes);

// The offset field of the locator that starts at position.
uint32_t LocatorOffsetAt(std::span<const uint8_t> bytes, size_t position);

struct PackEntry {
  std::string label;  // names the input in messages
  std::vector<uint8_t> content;
  package::EntryHeader header;
};

// entries[0] is the engine, entries[1] the project, the rest the data files. The image must
// carry exactly one locator, still empty. False with *error set when the image or the
// entries cannot make an installer the launcher reads.
bool BuildInstaller(std::span<const uint8_t> launcherImage, const std::vector<PackEntry>& entries,
                    std::vector<uint8_t>* installer, std::string* error);

}  // namespace pack
