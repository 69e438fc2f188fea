#include "tools/palmgen/palm_database.h"

#include <algorithm>
#include <set>

namespace palmgen {
namespace {

void Put8(Bytes& out, uint32_t value) { out.push_back(static_cast<uint8_t>(value)); }

void Put16(Bytes& out, uint32_t value) {
  Put8(out, value >> 8);
  Put8(out, value);
}

void Put32(Bytes& out, uint32_t value) {
  Put16(out, value >> 16);
  Put16(out, value);
}

void PutHeader(Bytes& out, const DatabaseInfo& info, uint32_t uniqueIdSeed, size_t entries) {
  Bytes name(kNameFieldSize, 0);
  std::copy(info.name.begin(), info.name.end(), name.begin());
  out.insert(out.end(), name.begin(), name.end());
  Put16(out, info.attributes);
  Put16(out, info.version);
  Put32(out, info.created);
  Put32(out, info.modified);
  Put32(out, info.backedUp);
  Put32(out, 0);  // modification number
  Put32(out, 0);  // no application info block
  Put32(out, 0);  // no sort info block
  Put32(out, info.type);
  Put32(out, info.creator);
  Put32(out, uniqueIdSeed);
  Put32(out, 0);  // no further entry list
  Put16(out, static_cast<uint32_t>(entries));
}

bool NameFits(const std::string& name) {
  return name.size() < kNameFieldSize && name.find('\0') == std::string::npos;
}

// Where the first entry's data starts, and whether everything fits 32-bit offsets and the
// 16-bit entry count.
template <typename Entry>
bool Layout(const std::vector<Entry>& entries, uint32_t entrySize, uint32_t* dataStart) {
  if (entries.size() > 0xFFFF) return false;
  uint64_t at = kHeaderSize + entrySize * entries.size() + kListPadding;
  *dataStart = static_cast<uint32_t>(at);
  for (const Entry& entry : entries) at += entry.data.size();
  return at <= 0xFFFFFFFFu;
}

}  // namespace

bool EncodeResourceDatabase(const DatabaseInfo& info, std::vector<Resource> resources, Bytes* out) {
  if (!NameFits(info.name)) return false;
  std::sort(resources.begin(), resources.end(), [](const Resource& a, const Resource& b) {
    return a.type != b.type ? a.type < b.type : a.id < b.id;
  });
  for (size_t i = 1; i < resources.size(); ++i)
    if (resources[i].type == resources[i - 1].type && resources[i].id == resources[i - 1].id)
      return false;
  uint32_t at;
  if (!Layout(resources, kResourceEntrySize, &at)) return false;

  DatabaseInfo resourceInfo = info;
  resourceInfo.attributes |= kAttrResourceDatabase;
  Bytes bytes;
  PutHeader(bytes, resourceInfo, 0, resources.size());
  for (const Resource& resource : resources) {
    Put32(bytes, resource.type);
    Put16(bytes, resource.id);
    Put32(bytes, at);
    at += static_cast<uint32_t>(resource.data.size());
  }
  Put16(bytes, 0);
  for (const Resource& resource : resources)
    bytes.insert(bytes.end(), resource.data.begin(), resource.data.end());
  *out = std::move(bytes);
  return true;
}

bool EncodeRecordDatabase(const DatabaseInfo& info, const std::vector<Record>& records,
                          Bytes* out) {
  if (!NameFits(info.name) || (info.attributes & kAttrResourceDatabase) != 0) return false;
  std::set<uint32_t> ids;
  uint32_t seed = 1;
  for (const Record& record : records) {
    if (record.uniqueId > 0xFFFFFF || !ids.insert(record.uniqueId).second) return false;
    seed = std::max(seed, record.uniqueId + 1);
  }
  uint32_t at;
  if (!Layout(records, kRecordEntrySize, &at)) return false;

  Bytes bytes;
  PutHeader(bytes, info, seed, records.size());
  for (const Record& record : records) {
    Put32(bytes, at);
    Put8(bytes, record.attributes);
    Put8(bytes, record.uniqueId >> 16);
    Put16(bytes, record.uniqueId);
    at += static_cast<uint32_t>(record.data.size());
  }
  Put16(bytes, 0);
  for (const Record& record : records)
    bytes.insert(bytes.end(), record.data.begin(), record.data.end());
  *out = std::move(bytes);
  return true;
}

}  // namespace palmgen
