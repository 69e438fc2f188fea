// The package appended to the launcher's image: its locator record, entry table, entry
// headers and extraction names. The launcher reads it; the packaging tool writes and
// reads it back with this same code.
#pragma once
#include <cstdint>

#include "platform/fixed_string.h"

namespace package {

// "TANG" read as a little-endian 32-bit value: an offset equal to it means no package.
inline constexpr uint32_t kSentinel = 0x474E4154;
inline constexpr uint32_t kHeaderSize = 28;
inline constexpr uint32_t kLocatorSize = 12;

#pragma pack(push, 1)
// Lives in the launcher's initialised, writable data; the packaging tool finds it by its
// tags and fills in the offset.
struct PackageLocator {
  char tagRu[2];      // 'R' 'U'
  uint32_t offset;    // absolute file position of the package, little-endian
  char tagIs[2];      // 'I' 'S'
  uint32_t sentinel;  // 'T' 'A' 'N' 'G'
};
#pragma pack(pop)
static_assert(sizeof(PackageLocator) == kLocatorSize, "the locator is byte-packed");

// The locator as the launcher image carries it before a package is attached.
inline constexpr PackageLocator kEmptyLocator = {{'R', 'U'}, kSentinel, {'I', 'S'}, kSentinel};

struct EntryHeader {
  uint32_t attributes;
  uint64_t creationTime;
  uint64_t lastAccessTime;
  uint64_t lastWriteTime;
};

uint32_t ReadLe32(const uint8_t* bytes);
void WriteLe32(uint32_t value, uint8_t* bytes);
EntryHeader ParseEntryHeader(const uint8_t* bytes);  // kHeaderSize bytes
void SerializeEntryHeader(const EntryHeader& header, uint8_t* bytes);

// The package's offset table: offsets[i] is the absolute file position of entry i.
struct EntryTable {
  uint32_t* offsets;
  uint32_t count;
};

// N, derived from the first table value; wraps like the unsigned arithmetic it stands for.
uint32_t EntryCountFrom(uint32_t firstOffset, uint32_t packageOffset);

// Whether a table of count entries starting at packageOffset lies inside a file of fileSize
// bytes. Checked before the table is allocated, so a hostile count allocates nothing.
bool TableFits(uint32_t packageOffset, uint32_t count, uint32_t fileSize);

struct EntryExtent {
  uint32_t start;
  uint32_t size;  // header included
};

// Where entry index lies. False when the entry would reach past the end of the file, its
// offsets do not increase, or it is shorter than its header.
bool LocateEntry(const EntryTable& table, uint32_t index, uint32_t fileSize, EntryExtent* extent);

// Appends entry index's extraction name: "tarnwick.exe" for entry 0, "%08d" for every other;
// false when it does not fit.
bool AppendMemberName(uint32_t index, PathBuffer* path);

// "<directory>\tarnwick.exe" for entry 0, "<directory>\%08d" for every other; false when the
// path would not fit 259 characters.
bool FormatMemberPath(const char* directory, uint32_t index, PathBuffer* path);

inline constexpr const char kEngineName[] = "tarnwick.exe";

}  // namespace package
