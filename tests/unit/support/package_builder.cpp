#include "tests/unit/support/package_builder.h"

namespace testing_support {

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes LiteralStream(const Bytes& content) {
  Bytes stream;
  for (size_t i = 0; i < content.size(); ++i) {
    if (i % 8 == 0) stream.push_back(0xFF);
    stream.push_back(content[i]);
  }
  return stream;
}

package::EntryHeader HeaderFor(uint32_t index, uint32_t attributes) {
  const uint64_t base = 0x01D9000000000000ull + index * 0x1000000ull;
  return package::EntryHeader{attributes, base + 1, base + 2, base + 3};
}

Installer BuildInstaller(const std::vector<TestEntry>& entries, uint32_t imageSize,
                         uint32_t spare) {
  Installer installer{Bytes(imageSize, 0xCC), imageSize};
  uint32_t position = imageSize + 4 * static_cast<uint32_t>(entries.size()) + spare;
  Bytes table;
  for (const TestEntry& entry : entries) {
    uint8_t value[4];
    package::WriteLe32(position, value);
    table.insert(table.end(), value, value + 4);
    position += package::kHeaderSize + static_cast<uint32_t>(entry.stream.size());
  }
  Bytes& out = installer.bytes;
  out.insert(out.end(), table.begin(), table.end());
  out.insert(out.end(), spare, 0xEE);
  for (const TestEntry& entry : entries) {
    uint8_t header[package::kHeaderSize];
    package::SerializeEntryHeader(entry.header, header);
    out.insert(out.end(), header, header + package::kHeaderSize);
    out.insert(out.end(), entry.stream.begin(), entry.stream.end());
  }
  return installer;
}

}  // namespace testing_support
