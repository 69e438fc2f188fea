// Reads the generator's output back with a reader of its own, the way a handheld's install
// step and a desktop tool would: header fields, the entry list, and where each entry's data
// lies (from its offset to the next entry's, the last one to the end of the file).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/palmgen/palm_database.h"
#include "tools/palmgen/sample_files.h"

namespace palmgen {
namespace {

struct Entry {
  uint32_t type = 0;  // resources
  uint16_t id = 0;
  uint8_t attributes = 0;  // records
  uint32_t uniqueId = 0;
  uint32_t offset = 0;
  Bytes data;
};

struct Database {
  std::string name;
  uint16_t attributes, version;
  uint32_t created, modified, backedUp, modificationNumber, appInfo, sortInfo, type, creator,
      uniqueIdSeed, nextList;
  std::vector<Entry> entries;
};

uint32_t Read(const Bytes& bytes, size_t at, int size) {
  uint32_t value = 0;
  for (int i = 0; i < size; ++i) value = value << 8 | bytes.at(at + i);
  return value;
}

// Fails the calling test on anything a reader would trip over.
void Parse(const Bytes& bytes, Database* db) {
  ASSERT_GE(bytes.size(), kHeaderSize + kListPadding);
  const uint8_t* name = bytes.data();
  size_t length = 0;
  while (length < kNameFieldSize && name[length] != 0) ++length;
  ASSERT_LT(length, kNameFieldSize) << "name not terminated";
  for (size_t i = length; i < kNameFieldSize; ++i) EXPECT_EQ(name[i], 0) << "name padding " << i;
  db->name.assign(name, name + length);
  db->attributes = Read(bytes, 32, 2);
  db->version = Read(bytes, 34, 2);
  db->created = Read(bytes, 36, 4);
  db->modified = Read(bytes, 40, 4);
  db->backedUp = Read(bytes, 44, 4);
  db->modificationNumber = Read(bytes, 48, 4);
  db->appInfo = Read(bytes, 52, 4);
  db->sortInfo = Read(bytes, 56, 4);
  db->type = Read(bytes, 60, 4);
  db->creator = Read(bytes, 64, 4);
  db->uniqueIdSeed = Read(bytes, 68, 4);
  db->nextList = Read(bytes, 72, 4);
  uint32_t count = Read(bytes, 76, 2);

  bool resources = (db->attributes & kAttrResourceDatabase) != 0;
  uint32_t entrySize = resources ? kResourceEntrySize : kRecordEntrySize;
  uint32_t dataStart = kHeaderSize + count * entrySize + kListPadding;
  ASSERT_LE(dataStart, bytes.size());
  EXPECT_EQ(Read(bytes, dataStart - kListPadding, 2), 0u) << "padding after the list";

  db->entries.assign(count, Entry());
  for (uint32_t i = 0; i < count; ++i) {
    size_t at = kHeaderSize + i * entrySize;
    Entry& entry = db->entries[i];
    if (resources) {
      entry.type = Read(bytes, at, 4);
      entry.id = Read(bytes, at + 4, 2);
      entry.offset = Read(bytes, at + 6, 4);
    } else {
      entry.offset = Read(bytes, at, 4);
      entry.attributes = bytes[at + 4];
      entry.uniqueId = Read(bytes, at + 5, 3);
    }
  }
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t begin = db->entries[i].offset;
    uint32_t end = i + 1 < count ? db->entries[i + 1].offset : bytes.size();
    ASSERT_GE(begin, dataStart) << "entry " << i << " starts inside the header or list";
    ASSERT_LE(begin, end) << "entry " << i << " ends before it starts";
    ASSERT_LE(end, bytes.size()) << "entry " << i << " runs past the file";
    db->entries[i].data.assign(bytes.begin() + begin, bytes.begin() + end);
  }
}

std::string AsText(const Bytes& data) { return std::string(data.begin(), data.end()); }

const Entry* FindResource(const Database& db, const char (&type)[5], uint16_t id) {
  for (const Entry& entry : db.entries)
    if (entry.type == FourCharCode(type) && entry.id == id) return &entry;
  return nullptr;
}

struct SampleCase {
  const char* file;
  Bytes (*make)();
  const char* name;
  uint32_t type;
  bool resources;
  size_t entries;
};

const SampleCase kSamples[] = {
    {"planner.prc", PlannerApplication, "Sample Planner", FourCharCode("appl"), true, 5},
    {"plandata.pdb", PlannerData, "PlannerDB-SmPl", FourCharCode("DATA"), false, 4},
    {"tides.pdb", TidesData, "TidesDB-SmPl", FourCharCode("TIDE"), false, 3},
};

TEST(PalmSampleFiles, HeadersAndEntryListsReadBack) {
  // 100 years from 1904, 25 of them leap years, at the handheld's one-second resolution.
  constexpr uint32_t k2004 = 36525u * 86400u;
  for (const SampleCase& sample : kSamples) {
    SCOPED_TRACE(sample.file);
    Database db;
    Parse(sample.make(), &db);
    if (HasFatalFailure()) return;  // the rest would read garbage
    EXPECT_EQ(db.name, sample.name);
    EXPECT_EQ(db.type, sample.type);
    EXPECT_EQ(db.creator, FourCharCode("SmPl"));
    EXPECT_EQ((db.attributes & kAttrResourceDatabase) != 0, sample.resources);
    EXPECT_NE(db.attributes & kAttrBackup, 0);
    EXPECT_EQ(db.attributes & ~(kAttrResourceDatabase | kAttrBackup), 0) << "stray attributes";
    EXPECT_EQ(db.created, k2004);
    EXPECT_EQ(db.modified, k2004);
    EXPECT_EQ(db.backedUp, 0u);
    EXPECT_EQ(db.appInfo, 0u);
    EXPECT_EQ(db.sortInfo, 0u);
    EXPECT_EQ(db.nextList, 0u);
    ASSERT_EQ(db.entries.size(), sample.entries);

    if (sample.resources) {
      // Sorted by type, then id, with no pair twice.
      for (size_t i = 1; i < db.entries.size(); ++i) {
        const Entry& a = db.entries[i - 1];
        const Entry& b = db.entries[i];
        EXPECT_TRUE(a.type < b.type || (a.type == b.type && a.id < b.id)) << "resource " << i;
      }
    } else {
      for (size_t i = 0; i < db.entries.size(); ++i) {
        const Entry& record = db.entries[i];
        for (size_t j = 0; j < i; ++j) EXPECT_NE(db.entries[j].uniqueId, record.uniqueId);
        EXPECT_GT(db.uniqueIdSeed, record.uniqueId) << "the seed would hand out a taken id";
        EXPECT_EQ(record.attributes, 0) << "record " << i << ": not plain and Unfiled";
        // One text per record, ended by its zero, as the planner reads them.
        ASSERT_FALSE(record.data.empty());
        EXPECT_EQ(record.data.back(), 0);
        EXPECT_EQ(AsText(record.data).find('\0'), record.data.size() - 1);
      }
    }
  }
}

TEST(PalmSampleFiles, PlannerIsALaunchableApplication) {
  Database db;
  ASSERT_NO_FATAL_FAILURE(Parse(PlannerApplication(), &db));

  const Entry* code0 = FindResource(db, "code", 0);
  ASSERT_NE(code0, nullptr);
  ASSERT_GE(code0->data.size(), 16u);
  uint32_t aboveA5 = Read(code0->data, 0, 4);
  uint32_t jumpTableSize = Read(code0->data, 8, 4);
  uint32_t jumpTableOffset = Read(code0->data, 12, 4);
  EXPECT_EQ(Read(code0->data, 4, 4), 0u) << "globals the code never sets up";
  EXPECT_EQ(jumpTableOffset, 32u);
  EXPECT_EQ(aboveA5, jumpTableOffset + jumpTableSize);
  ASSERT_EQ(code0->data.size(), 16 + jumpTableSize);
  ASSERT_EQ(jumpTableSize, 8u);
  // One unloaded entry: offset 0 in segment 1, move.w #1,-(sp); _LoadSeg.
  EXPECT_EQ(Read(code0->data, 16, 2), 0u);
  EXPECT_EQ(Read(code0->data, 18, 4), 0x3F3C0001u);
  EXPECT_EQ(Read(code0->data, 22, 2), 0xA9F0u);

  const Entry* code1 = FindResource(db, "code", 1);
  ASSERT_NE(code1, nullptr);
  EXPECT_EQ(code1->data, (Bytes{0x70, 0x00, 0x4E, 0x75})) << "moveq #0,d0; rts";

  const Entry* pref = FindResource(db, "pref", 0);
  ASSERT_NE(pref, nullptr);
  ASSERT_EQ(pref->data.size(), 10u);
  EXPECT_GE(Read(pref->data, 2, 4), 0x1000u) << "stack";

  const Entry* name = FindResource(db, "tAIN", 1000);
  const Entry* version = FindResource(db, "tver", 1000);
  ASSERT_NE(name, nullptr);
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(AsText(name->data), std::string("Planner", 8));
  EXPECT_EQ(AsText(version->data), std::string("2.0", 4));
}

DatabaseInfo Info(const std::string& name) {
  DatabaseInfo info;
  info.name = name;
  info.type = FourCharCode("TEST");
  info.creator = FourCharCode("Test");
  return info;
}

TEST(PalmDatabaseEncoder, ResourcesComeOutSortedWithTheirOwnData) {
  std::vector<Resource> resources = {
      {FourCharCode("tver"), 1000, {'1', 0}},
      {FourCharCode("code"), 1, {1, 2, 3}},
      {FourCharCode("MBAR"), 1000, {}},
      {FourCharCode("code"), 0, {4, 5, 6, 7, 8}},
  };
  Bytes bytes;
  ASSERT_TRUE(EncodeResourceDatabase(Info("Sorted"), resources, &bytes));
  Database db;
  ASSERT_NO_FATAL_FAILURE(Parse(bytes, &db));
  ASSERT_EQ(db.entries.size(), 4u);
  const struct {
    uint32_t type;
    uint16_t id;
    Bytes data;
  } kExpected[] = {
      {FourCharCode("MBAR"), 1000, {}},
      {FourCharCode("code"), 0, {4, 5, 6, 7, 8}},
      {FourCharCode("code"), 1, {1, 2, 3}},
      {FourCharCode("tver"), 1000, {'1', 0}},
  };
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(db.entries[i].type, kExpected[i].type) << i;
    EXPECT_EQ(db.entries[i].id, kExpected[i].id) << i;
    EXPECT_EQ(db.entries[i].data, kExpected[i].data) << i;
  }
  EXPECT_NE(db.attributes & kAttrResourceDatabase, 0);
}

TEST(PalmDatabaseEncoder, RecordsKeepOrderIdsAndAttributes) {
  std::vector<Record> records = {
      {0x40 | 3, 0xABCDEF, {'x', 0}},
      {0, 7, {}},
      {0x10, 0x000100, {1, 2, 3, 4}},
  };
  Bytes bytes;
  ASSERT_TRUE(EncodeRecordDatabase(Info("Records"), records, &bytes));
  Database db;
  ASSERT_NO_FATAL_FAILURE(Parse(bytes, &db));
  ASSERT_EQ(db.entries.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(db.entries[i].attributes, records[i].attributes) << i;
    EXPECT_EQ(db.entries[i].uniqueId, records[i].uniqueId) << i;
    EXPECT_EQ(db.entries[i].data, records[i].data) << i;
  }
  EXPECT_EQ(db.uniqueIdSeed, 0xABCDEFu + 1);
}

TEST(PalmDatabaseEncoder, EmptyDatabasesAreHeaderAndPaddingOnly) {
  Bytes resources, records;
  ASSERT_TRUE(EncodeResourceDatabase(Info(std::string(31, 'n')), {}, &resources));
  ASSERT_TRUE(EncodeRecordDatabase(Info(""), {}, &records));
  EXPECT_EQ(resources.size(), kHeaderSize + kListPadding);
  EXPECT_EQ(records.size(), kHeaderSize + kListPadding);
  Database db;
  ASSERT_NO_FATAL_FAILURE(Parse(resources, &db));
  EXPECT_EQ(db.name, std::string(31, 'n'));
  EXPECT_TRUE(db.entries.empty());
}

TEST(PalmDatabaseEncoder, RefusesWhatAHandheldCouldNotTellApart) {
  const Bytes kUntouched = {0xEE};
  DatabaseInfo resourceFlagged = Info("Flagged");
  resourceFlagged.attributes = kAttrResourceDatabase;
  const struct {
    const char* what;
    DatabaseInfo info;
    std::vector<Resource> resources;  // a resource database when records is empty
    std::vector<Record> records;
  } kCases[] = {
      {"name of 32 characters", Info(std::string(32, 'n')), {}, {}},
      {"name with a zero inside", Info(std::string("ab\0cd", 5)), {}, {}},
      {"one resource twice",
       Info("Twice"),
       {{FourCharCode("code"), 1, {1}},
        {FourCharCode("code"), 0, {}},
        {FourCharCode("code"), 1, {2}}},
       {}},
      {"record id twice", Info("Twice"), {}, {{0, 5, {}}, {0, 6, {}}, {0, 5, {}}}},
      {"record id of 25 bits", Info("Wide"), {}, {{0, 0x1000000, {}}}},
      {"record database flagged as resources", resourceFlagged, {}, {{0, 1, {}}}},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    Bytes out = kUntouched;
    bool asRecords = !c.records.empty();
    bool ok = asRecords ? EncodeRecordDatabase(c.info, c.records, &out)
                        : EncodeResourceDatabase(c.info, c.resources, &out);
    EXPECT_FALSE(ok);
    EXPECT_EQ(out, kUntouched);
    if (!asRecords && c.resources.empty()) {  // a bad name fails record databases alike
      out = kUntouched;
      EXPECT_FALSE(EncodeRecordDatabase(c.info, {}, &out));
      EXPECT_EQ(out, kUntouched);
    }
  }
}

}  // namespace
}  // namespace palmgen
