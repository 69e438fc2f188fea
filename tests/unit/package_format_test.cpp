#include "package/package_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PackageFormat, TheEmptyLocatorReadsRuTangIsTang) {
  const auto* bytes = reinterpret_cast<const char*>(&package::kEmptyLocator);
  EXPECT_EQ(std::string(bytes, package::kLocatorSize), "RUTANGISTANG");
  uint32_t offset = package::kEmptyLocator.offset;  // the field is unaligned: copy it out
  EXPECT_EQ(offset, package::kSentinel);
}

TEST(PackageFormat, HeadersRoundTripLittleEndian) {
  package::EntryHeader header{0x00000021, 0x0102030405060708ull, 0x1112131415161718ull,
                              0x2122232425262728ull};
  uint8_t bytes[package::kHeaderSize];
  package::SerializeEntryHeader(header, bytes);
  EXPECT_EQ(bytes[0], 0x21);
  EXPECT_EQ(bytes[4], 0x08);   // creation time, low byte first
  EXPECT_EQ(bytes[19], 0x11);  // last access, high byte last
  EXPECT_EQ(bytes[27], 0x21);
  package::EntryHeader back = package::ParseEntryHeader(bytes);
  EXPECT_EQ(back.attributes, header.attributes);
  EXPECT_EQ(back.creationTime, header.creationTime);
  EXPECT_EQ(back.lastAccessTime, header.lastAccessTime);
  EXPECT_EQ(back.lastWriteTime, header.lastWriteTime);
}

TEST(PackageFormat, CountsEntriesFromTheFirstOffset) {
  struct Case {
    uint32_t first, offset, count;
  } cases[] = {
      {36864 + 16, 36864, 4},      // four entries right behind the table
      {36864 + 19, 36864, 4},      // three spare bytes round down
      {36864 + 3, 36864, 0},       // less than one value: no entries
      {36860, 36864, 0x3FFFFFFF},  // a first value below the package wraps
  };
  for (const Case& c : cases) EXPECT_EQ(package::EntryCountFrom(c.first, c.offset), c.count);
}

TEST(PackageFormat, ATableMustFitTheFile) {
  EXPECT_TRUE(package::TableFits(100, 4, 116));
  EXPECT_FALSE(package::TableFits(100, 4, 115));
  EXPECT_FALSE(package::TableFits(100, 0, 1000));
  EXPECT_FALSE(package::TableFits(2000, 1, 1000));  // package offset past the end
  EXPECT_FALSE(package::TableFits(100, 0x3FFFFFFF, 1000));
}

TEST(PackageFormat, LocatesEntriesWithinTheFile) {
  uint32_t offsets[] = {100, 128, 200, 260};
  package::EntryTable table{offsets, 4};
  struct Case {
    uint32_t index, fileSize;
    bool found;
    uint32_t start, size;
  } cases[] = {
      {0, 300, true, 100, 28},  // exactly a header: an empty file
      {1, 300, true, 128, 72},
      {3, 300, true, 260, 40},  // the last entry runs to the end of the file
      {3, 287, false, 0, 0},    // last entry shorter than its header
      {2, 259, false, 0, 0},    // next entry lies past the end
      {4, 300, false, 0, 0},    // no such entry
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    package::EntryExtent extent{0, 0};
    ASSERT_EQ(package::LocateEntry(table, c.index, c.fileSize, &extent), c.found);
    if (c.found) {
      EXPECT_EQ(extent.start, c.start);
      EXPECT_EQ(extent.size, c.size);
    }
  }
}

TEST(PackageFormat, RefusesOffsetsThatDoNotIncrease) {
  uint32_t equal[] = {100, 100, 200};
  uint32_t falling[] = {100, 160, 130};
  uint32_t close[] = {100, 127, 200};
  package::EntryExtent extent;
  EXPECT_FALSE(package::LocateEntry({equal, 3}, 0, 300, &extent));
  EXPECT_FALSE(package::LocateEntry({falling, 3}, 1, 300, &extent));
  EXPECT_FALSE(package::LocateEntry({close, 3}, 0, 300, &extent));
}

TEST(PackageFormat, NamesMembersByTheirEntryNumber) {
  struct Case {
    uint32_t index;
    const char* path;
  } cases[] = {
      {0, "C:\\T\\bks1.TMP\\tarnwick.exe"},      {1, "C:\\T\\bks1.TMP\\00000001"},
      {12, "C:\\T\\bks1.TMP\\00000012"},         {99999999, "C:\\T\\bks1.TMP\\99999999"},
      {123456789, "C:\\T\\bks1.TMP\\123456789"},
  };
  for (const Case& c : cases) {
    PathBuffer path;
    ASSERT_TRUE(package::FormatMemberPath("C:\\T\\bks1.TMP", c.index, &path));
    EXPECT_STREQ(path.c_str(), c.path);
  }
}

TEST(PackageFormat, RefusesAMemberPathOver259Characters) {
  std::string directory = "C:\\" + std::string(246, 'd');  // 249 characters
  PathBuffer path;
  EXPECT_TRUE(package::FormatMemberPath(directory.c_str(), 1, &path));          // 258
  EXPECT_TRUE(package::FormatMemberPath(directory.c_str(), 100000000, &path));  // 259
  EXPECT_FALSE(package::FormatMemberPath(directory.c_str(), 0, &path));         // 262
  EXPECT_EQ(path.size(), 259u);  // cut, still terminated
}

}  // namespace
