// Writes Palm OS databases in their flat file form, the form a handheld's install step reads:
// a 78-byte header, one list of entries (resources or records), two bytes of padding, then
// each entry's data in list order. Every number is big-endian, as the handheld's 68k reads it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace palmgen {

using Bytes = std::vector<uint8_t>;

// A four-character code ('appl', 'code', a creator) as the 32-bit number the header stores.
constexpr uint32_t FourCharCode(const char (&code)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(code[0])) << 24 |
         static_cast<uint32_t>(static_cast<uint8_t>(code[1])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(code[2])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(code[3]));
}

inline constexpr uint32_t kHeaderSize = 78;
inline constexpr uint32_t kNameFieldSize = 32;  // at most 31 characters and a terminating zero
inline constexpr uint32_t kResourceEntrySize = 10;
inline constexpr uint32_t kRecordEntrySize = 8;
inline constexpr uint32_t kListPadding = 2;

// Header attribute bits.
inline constexpr uint16_t kAttrResourceDatabase = 0x0001;
inline constexpr uint16_t kAttrBackup = 0x0008;

// Seconds from the handheld's epoch (1904-01-01) to the Unix one (1970-01-01).
inline constexpr uint32_t kPalmEpochToUnix = 2082844800u;

struct DatabaseInfo {
  std::string name;
  uint16_t attributes = 0;  // kAttrResourceDatabase is set for a resource database anyway
  uint16_t version = 1;
  uint32_t created = 0;  // seconds since 1904-01-01
  uint32_t modified = 0;
  uint32_t backedUp = 0;  // 0: never
  uint32_t type = 0;
  uint32_t creator = 0;
};

struct Resource {
  uint32_t type;
  uint16_t id;
  Bytes data;
};

struct Record {
  uint8_t attributes;  // flags in the high nibble, category in the low one
  uint32_t uniqueId;   // 24 bits
  Bytes data;
};

// A resource database (.prc). Resources are written sorted by type, then id. False, and
// *out untouched, for a name that does not fit, two resources of one type and id, or a file
// too large for 32-bit offsets.
bool EncodeResourceDatabase(const DatabaseInfo& info, std::vector<Resource> resources, Bytes* out);

// A record database (.pdb), records in the order given. The header's unique-id seed is one
// past the largest record id, so the handheld never hands out an id already taken. False,
// and *out untouched, for a name that does not fit, a record id of more than 24 bits or one
// used twice, or a resource database bit in the attributes.
bool EncodeRecordDatabase(const DatabaseInfo& info, const std::vector<Record>& records, Bytes* out);

}  // namespace palmgen
