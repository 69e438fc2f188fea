// Hand-made installers for tests: a fake launcher image followed by a package whose entries
// are stored as literal-only streams, so a test controls every byte without a compressor.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "package/package_format.h"

namespace testing_support {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& text);

// A stream that decodes to exactly `content`: one flag byte of ones before every eight
// literals.
Bytes LiteralStream(const Bytes& content);

struct TestEntry {
  package::EntryHeader header;
  Bytes stream;  // the compressed bytes behind the header
};

// A header with distinct, recognisable times for entry `index`.
package::EntryHeader HeaderFor(uint32_t index, uint32_t attributes = 0x20);

struct Installer {
  Bytes bytes;
  uint32_t packageOffset;
};

// imageSize bytes of fake launcher image, then the table and the entries; `spare` bytes
// between the table and the first entry.
Installer BuildInstaller(const std::vector<TestEntry>& entries, uint32_t imageSize = 64,
                         uint32_t spare = 0);

}  // namespace testing_support
