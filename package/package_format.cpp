#include "package/package_format.h"

namespace package {

uint32_t ReadLe32(const uint8_t* bytes) {
  return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
         static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void WriteLe32(uint32_t value, uint8_t* bytes) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

static uint64_t ReadLe64(const uint8_t* bytes) {
  return static_cast<uint64_t>(ReadLe32(bytes)) | static_cast<uint64_t>(ReadLe32(bytes + 4)) << 32;
}

static void WriteLe64(uint64_t value, uint8_t* bytes) {
  WriteLe32(static_cast<uint32_t>(value), bytes);
  WriteLe32(static_cast<uint32_t>(value >> 32), bytes + 4);
}

EntryHeader ParseEntryHeader(const uint8_t* bytes) {
  return EntryHeader{ReadLe32(bytes), ReadLe64(bytes + 4), ReadLe64(bytes + 12),
                     ReadLe64(bytes + 20)};
}

void SerializeEntryHeader(const EntryHeader& header, uint8_t* bytes) {
  WriteLe32(header.attributes, bytes);
  WriteLe64(header.creationTime, bytes + 4);
  WriteLe64(header.lastAccessTime, bytes + 12);
  WriteLe64(header.lastWriteTime, bytes + 20);
}

uint32_t EntryCountFrom(uint32_t firstOffset, uint32_t packageOffset) {
  return (firstOffset - packageOffset) / 4;
}

bool TableFits(uint32_t packageOffset, uint32_t count, uint32_t fileSize) {
  if (count == 0 || packageOffset > fileSize) return false;
  return count <= (fileSize - packageOffset) / 4;
}

bool LocateEntry(const EntryTable& table, uint32_t index, uint32_t fileSize, EntryExtent* extent) {
  if (index >= table.count) return false;
  uint32_t start = table.offsets[index];
  uint32_t end = index + 1 < table.count ? table.offsets[index + 1] : fileSize;
  if (end > fileSize || start >= end || end - start < kHeaderSize) return false;
  *extent = EntryExtent{start, end - start};
  return true;
}

bool AppendMemberName(uint32_t index, PathBuffer* path) {
  return index == 0 ? path->Append(kEngineName) : path->AppendDecimal(index, 8);
}

bool FormatMemberPath(const char* directory, uint32_t index, PathBuffer* path) {
  if (!path->Assign(directory) || !path->AppendChar('\\')) return false;
  return AppendMemberName(index, path);
}

}  // namespace package
