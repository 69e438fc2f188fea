#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "launcher/launcher.h"
#include "platform/sim/world.h"
#include "tests/unit/support/package_builder.h"
#include "tools/pack/memory_decoder.h"
#include "tools/pack/package_reader.h"
#include "tools/pack/package_writer.h"

namespace {

using Bytes = std::vector<uint8_t>;
using pack::Fault;
using pack::PackEntry;

constexpr size_t kImageSize = 300;
constexpr size_t kLocatorAt = 100;
constexpr char kEmptyLocatorBytes[] = "RUTANGISTANG";

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Stands in for the launcher's image: recognisable bytes and one empty locator.
Bytes FakeLauncher(size_t size = kImageSize, size_t locatorAt = kLocatorAt) {
  Bytes image(size);
  for (size_t i = 0; i < size; ++i) image[i] = static_cast<uint8_t>(0x80 + i % 61);
  image[0] = 'M';
  image[1] = 'Z';
  std::memcpy(&image[locatorAt], kEmptyLocatorBytes, package::kLocatorSize);
  return image;
}

package::EntryHeader Header(uint32_t index, uint32_t attributes = 0x20) {
  const uint64_t base = 0x01DA000000000000ull + index * 0x10000ull;
  return package::EntryHeader{attributes, base + 1, base + 2, base + 3};
}

std::vector<PackEntry> SampleEntries() {
  Bytes engine = Text("MZ engine stand-in ");
  for (int i = 0; i < 200; ++i)
    engine.insert(engine.end(), {0x00, 0x10, 0x20, static_cast<uint8_t>(i)});
  std::string project = "[Install]\r\nName=Sample\r\n";
  for (int i = 2; i < 40; ++i)
    project += "File" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
  return {
      PackEntry{"engine", engine, Header(0)},
      PackEntry{"project", Text(project), Header(1)},
      PackEntry{"empty", {}, Header(2, 0x21)},
      PackEntry{"spaces", Bytes(5000, ' '), Header(3)},
  };
}

Bytes Build(const Bytes& image, const std::vector<PackEntry>& entries) {
  Bytes installer;
  std::string error;
  EXPECT_TRUE(pack::BuildInstaller(image, entries, &installer, &error)) << error;
  return installer;
}

void ExpectSameHeader(const package::EntryHeader& a, const package::EntryHeader& b) {
  EXPECT_EQ(a.attributes, b.attributes);
  EXPECT_EQ(a.creationTime, b.creationTime);
  EXPECT_EQ(a.lastAccessTime, b.lastAccessTime);
  EXPECT_EQ(a.lastWriteTime, b.lastWriteTime);
}

TEST(PackageWriterTest, BuildsAPackageThatReadsBack) {
  const Bytes image = FakeLauncher();
  const std::vector<PackEntry> entries = SampleEntries();
  const Bytes installer = Build(image, entries);

  pack::PackageView view = pack::ReadPackage(installer);
  ASSERT_TRUE(view.Readable()) << view.problems.front().message;
  EXPECT_EQ(view.locatorPosition, kLocatorAt);
  EXPECT_EQ(view.packageOffset, kImageSize);
  EXPECT_EQ(view.entryCount, entries.size());
  // Entry 0 right behind the table, so N comes out of the first offset exactly.
  EXPECT_EQ(view.offsets[0], kImageSize + 4 * entries.size());
  EXPECT_EQ(view.spareBytes, 0u);
  ASSERT_EQ(view.entries.size(), entries.size());
  const char* names[] = {"tarnwick.exe", "00000001", "00000002", "00000003"};
  for (uint32_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(pack::MemberName(i), names[i]);
    ExpectSameHeader(view.entries[i].header, entries[i].header);
    EXPECT_EQ(pack::DecodeToMemory(view.entries[i].stream), entries[i].content);
  }
  // The last entry runs to the end of the file.
  EXPECT_EQ(view.entries.back().extent.start + view.entries.back().extent.size, installer.size());

  // The image is copied as it was, but for the offset written into its locator.
  Bytes expectedImage = image;
  package::WriteLe32(kImageSize, &expectedImage[kLocatorAt + 2]);
  EXPECT_EQ(Bytes(installer.begin(), installer.begin() + kImageSize), expectedImage);
}

TEST(PackageWriterTest, SameInputsGiveSameBytes) {
  EXPECT_EQ(Build(FakeLauncher(), SampleEntries()), Build(FakeLauncher(), SampleEntries()));
}

TEST(PackageWriterTest, AnEngineAloneMakesAOneEntryPackage) {
  const Bytes installer = Build(FakeLauncher(), {PackEntry{"engine", Text("MZ"), Header(0)}});
  pack::PackageView view = pack::ReadPackage(installer);
  ASSERT_TRUE(view.Readable());
  EXPECT_EQ(view.entryCount, 1u);
  EXPECT_EQ(pack::DecodeToMemory(view.entries[0].stream), Text("MZ"));
}

// The real consumer: the launcher, run on the simulated Windows against what we wrote.
TEST(PackageWriterTest, TheLauncherExtractsWhatTheWriterWrote) {
  const std::vector<PackEntry> entries = SampleEntries();
  const Bytes installer = Build(FakeLauncher(), entries);
  sim::Reset();
  sim::World& world = sim::TheWorld();
  world.AddFile(world.modulePath, installer);
  // What the patched image's data section holds once the loader maps it.
  std::memcpy(&launcher::gPackageLocator, &installer[kLocatorAt], package::kLocatorSize);

  ASSERT_EQ(launcher::RunLauncher(), launcher::kLaunchOk);
  ASSERT_EQ(world.startedPrograms.size(), 1u);
  // The command line is the quoted path of tarnwick.exe inside the extraction directory.
  const std::string& command = world.startedPrograms[0].commandLine;
  const std::string suffix = "\\tarnwick.exe\"";
  ASSERT_GT(command.size(), suffix.size() + 1);
  const std::string directory = command.substr(1, command.size() - suffix.size() - 1);
  for (uint32_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(i);
    const sim::FileRecord* file = world.Find(directory + "\\" + pack::MemberName(i));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->data, entries[i].content);
    EXPECT_EQ(file->attributes, entries[i].header.attributes);
    EXPECT_EQ(file->creationTime, entries[i].header.creationTime);
    EXPECT_EQ(file->lastAccessTime, entries[i].header.lastAccessTime);
    EXPECT_EQ(file->lastWriteTime, entries[i].header.lastWriteTime);
  }
  EXPECT_TRUE(world.messageBoxes.empty());
  launcher::gPackageLocator = package::kEmptyLocator;
  sim::Reset();
}

TEST(PackageWriterTest, RefusesALauncherWhoseLocatorCannotBeFilled) {
  struct Case {
    const char* name;
    Bytes image;
    const char* expected;
  };
  Bytes twoLocators = FakeLauncher();
  std::memcpy(&twoLocators[200], kEmptyLocatorBytes, package::kLocatorSize);
  Bytes filled = FakeLauncher();
  package::WriteLe32(kImageSize, &filled[kLocatorAt + 2]);
  Bytes noLocator = FakeLauncher();
  noLocator[kLocatorAt + 7] = 'X';  // "IX" instead of "IS"
  const Case cases[] = {
      {"no locator", noLocator, "no package locator"},
      {"two locators", twoLocators, "2 package locators"},
      {"filled locator", filled, "filled already"},
      {"an installer given as the launcher", Build(FakeLauncher(), SampleEntries()),
       "filled already"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes installer = {0xAB};
    std::string error;
    EXPECT_FALSE(pack::BuildInstaller(c.image, SampleEntries(), &installer, &error));
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
  }
}

TEST(PackageWriterTest, FindsLocatorTagsWhateverTheOffsetBetweenThem) {
  Bytes bytes = Text("..RU\x01\x02\x03\x04ISTANG..RUTANGISTANGRU..ISTAN");
  EXPECT_EQ(pack::FindLocatorTags(bytes), (std::vector<size_t>{2, 16}));
  EXPECT_EQ(pack::LocatorOffsetAt(bytes, 2), 0x04030201u);
  EXPECT_TRUE(pack::FindLocatorTags(Text("RUTANGISTAN")).empty());
}

// Each case breaks a sound installer the way the launcher's bounds rules notice.
TEST(PackageReaderTest, ReportsEveryMalformationTheLauncherRefuses) {
  const Bytes good = Build(FakeLauncher(), SampleEntries());
  const uint32_t entries = 4;
  const uint32_t table = kImageSize;
  auto tableValue = [&](const Bytes& b, uint32_t i) {
    return package::ReadLe32(&b[table + 4 * i]);
  };
  auto setTable = [&](Bytes& b, uint32_t i, uint32_t value) {
    package::WriteLe32(value, &b[table + 4 * i]);
  };
  struct Case {
    const char* name;
    std::function<void(Bytes&)> breakIt;
    Fault fault;
    int64_t entry;
  };
  const Case cases[] = {
      {"no locator", [](Bytes& b) { b[kLocatorAt] = 'X'; }, Fault::kNoLocator, -1},
      {"empty locator",
       [](Bytes& b) { package::WriteLe32(package::kSentinel, &b[kLocatorAt + 2]); },
       Fault::kEmptyLocator, -1},
      {"second locator in the image",
       [](Bytes& b) { std::memcpy(&b[200], kEmptyLocatorBytes, package::kLocatorSize); },
       Fault::kDuplicateLocator, -1},
      {"package before the locator's end",
       [](Bytes& b) { package::WriteLe32(kLocatorAt + 4, &b[kLocatorAt + 2]); },
       Fault::kLocatorInPackage, -1},
      {"package offset past the end",
       [](Bytes& b) { package::WriteLe32(static_cast<uint32_t>(b.size()), &b[kLocatorAt + 2]); },
       Fault::kTablePastEnd, -1},
      {"file ends inside the first table value", [](Bytes& b) { b.resize(table + 3); },
       Fault::kTablePastEnd, -1},
      {"first offset before the package", [&](Bytes& b) { setTable(b, 0, table - 4); },
       Fault::kTablePastEnd, -1},
      {"table longer than the file", [&](Bytes& b) { setTable(b, 0, 0x7FFFFFF0); },
       Fault::kTablePastEnd, -1},
      {"first offset 3 past the package: no entries", [&](Bytes& b) { setTable(b, 0, table + 3); },
       Fault::kNoEntries, -1},
      {"offsets that do not increase", [&](Bytes& b) { setTable(b, 2, tableValue(b, 1)); },
       Fault::kOffsetsNotIncreasing, 1},
      {"offsets that go back", [&](Bytes& b) { setTable(b, 2, tableValue(b, 1) - 1); },
       Fault::kOffsetsNotIncreasing, 1},
      {"entry shorter than its header", [&](Bytes& b) { setTable(b, 2, tableValue(b, 1) + 27); },
       Fault::kEntryShorterThanHeader, 1},
      {"last entry cut inside its header",
       [&](Bytes& b) { b.resize(tableValue(b, entries - 1) + 20); }, Fault::kEntryShorterThanHeader,
       entries - 1},
      {"entry reaching past the end",
       [&](Bytes& b) { setTable(b, entries - 1, static_cast<uint32_t>(b.size()) + 1); },
       Fault::kEntryPastEnd, entries - 2},
      {"last entry starting at the end",
       [&](Bytes& b) { setTable(b, entries - 1, static_cast<uint32_t>(b.size())); },
       Fault::kEntryPastEnd, entries - 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes broken = good;
    c.breakIt(broken);
    pack::PackageView view = pack::ReadPackage(broken);
    ASSERT_FALSE(view.Readable());
    EXPECT_EQ(view.problems.front().fault, c.fault) << view.problems.front().message;
    EXPECT_EQ(view.problems.front().entry, c.entry);
    EXPECT_FALSE(view.problems.front().message.empty());
  }
}

// Entries the launcher can place are still read when another one is broken.
TEST(PackageReaderTest, ABrokenEntryLeavesTheOthersReadable) {
  Bytes broken = Build(FakeLauncher(), SampleEntries());
  // Entry 2 now starts behind entry 3; entry 1 grows to take its place.
  uint32_t fourth = package::ReadLe32(&broken[kImageSize + 12]);
  package::WriteLe32(fourth + 1, &broken[kImageSize + 8]);
  pack::PackageView view = pack::ReadPackage(broken);
  ASSERT_EQ(view.problems.size(), 1u);
  EXPECT_EQ(view.problems[0].fault, Fault::kOffsetsNotIncreasing);
  EXPECT_EQ(view.problems[0].entry, 2);
  std::vector<uint32_t> placed;
  for (const pack::PackageEntry& entry : view.entries) placed.push_back(entry.index);
  EXPECT_EQ(placed, (std::vector<uint32_t>{0, 1, 3}));
}

// Spare bytes behind the table, tags inside the package's entries, and bytes appended after
// the build are all things the launcher takes in its stride; so must the reader.
TEST(PackageReaderTest, AcceptsWhatTheLauncherAccepts) {
  using testing_support::TestEntry;
  const Bytes engine = Text("MZ");
  // As literals, the flag byte in front of "ISTANG" falls between the tags, so the stream
  // reads "RUxyz", 0xFF, "ISTANG": a locator's tags inside the package.
  const Bytes withTags = Text("abcRUxyzISTANG");
  testing_support::Installer made = testing_support::BuildInstaller(
      {TestEntry{Header(0), testing_support::LiteralStream(engine)},
       TestEntry{Header(1), testing_support::LiteralStream(withTags)}},
      64, 3);
  std::memcpy(&made.bytes[8], kEmptyLocatorBytes, package::kLocatorSize);
  package::WriteLe32(made.packageOffset, &made.bytes[10]);

  ASSERT_EQ(pack::FindLocatorTags(made.bytes).size(), 2u);
  pack::PackageView view = pack::ReadPackage(made.bytes);
  ASSERT_TRUE(view.Readable()) << view.problems.front().message;
  EXPECT_EQ(view.entryCount, 2u);
  EXPECT_EQ(view.spareBytes, 3u);
  EXPECT_EQ(pack::DecodeToMemory(view.entries[0].stream), engine);
  EXPECT_EQ(pack::DecodeToMemory(view.entries[1].stream), withTags);

  Bytes appended = Build(FakeLauncher(), SampleEntries());
  appended.insert(appended.end(), kEmptyLocatorBytes, kEmptyLocatorBytes + 12);
  view = pack::ReadPackage(appended);
  ASSERT_TRUE(view.Readable()) << view.problems.front().message;
  EXPECT_EQ(view.entries.back().extent.start + view.entries.back().extent.size, appended.size());
}

}  // namespace
