#include "launcher/launcher.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/world.h"
#include "tests/unit/support/package_builder.h"

namespace {

using testing_support::BuildInstaller;
using testing_support::Bytes;
using testing_support::HeaderFor;
using testing_support::Installer;
using testing_support::LiteralStream;
using testing_support::TestEntry;
using testing_support::Text;

// The first unique number the simulation hands out names the extraction directory.
constexpr const char kExtractionDir[] = "C:\\WINDOWS\\TEMP\\bks1A2B.TMP";
constexpr const char kEngineCommand[] = "\"C:\\WINDOWS\\TEMP\\bks1A2B.TMP\\tarnwick.exe\"";

std::string Member(const std::string& name) { return std::string(kExtractionDir) + "\\" + name; }

std::vector<Bytes> FourContents() {
  return {Text("MZ engine stand-in"), Text("[Install]\r\nName=Sample\r\n"), Bytes{},
          Text(std::string(700, 'p') + "tail")};
}

std::vector<TestEntry> EntriesFor(const std::vector<Bytes>& contents) {
  std::vector<TestEntry> entries;
  for (uint32_t i = 0; i < contents.size(); ++i) {
    entries.push_back(TestEntry{HeaderFor(i, i == 2 ? 0x21 : 0x20), LiteralStream(contents[i])});
  }
  return entries;
}

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    launcher::gPackageLocator = package::kEmptyLocator;
  }
  void TearDown() override {
    EXPECT_EQ(sim::TheWorld().OpenHandleCount(), 0u) << "a handle stayed open";
    EXPECT_EQ(sim::TheWorld().LiveAllocationCount(), 0u) << "a buffer was not released";
    EXPECT_EQ(sim::TheWorld().currentCursor, sim::kArrowCursor) << "cursor not put back";
  }

  void Install(const Installer& installer) {
    sim::TheWorld().AddFile(sim::TheWorld().modulePath, installer.bytes);
    launcher::gPackageLocator.offset = installer.packageOffset;
  }

  static void ExpectOneMessage(const char* text) {
    const auto& boxes = sim::TheWorld().messageBoxes;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].style, 0x10u);  // stop icon, OK only
    EXPECT_EQ(boxes[0].owner, nullptr);
  }

  static void ExpectEngineStarted(bool started) {
    const auto& programs = sim::TheWorld().startedPrograms;
    if (!started) {
      EXPECT_TRUE(programs.empty());
      return;
    }
    ASSERT_EQ(programs.size(), 1u);
    EXPECT_EQ(programs[0].commandLine, kEngineCommand);
    EXPECT_EQ(programs[0].showMode, 5);
    EXPECT_EQ(programs[0].currentDirectory, "C:\\DOWNLOADS");
  }
};

TEST_F(LauncherTest, WithoutAPackageReportsCorruptionAndStartsNothing) {
  sim::TheWorld().AddFile(sim::TheWorld().modulePath, Bytes(64, 0xCC));
  EXPECT_EQ(launcher::RunLauncher(), launcher::kNoPackage);
  ExpectOneMessage("This installation is corrupted.");
  ExpectEngineStarted(false);
  ASSERT_EQ(sim::TheWorld().splashCopies.size(), 1u);
  EXPECT_EQ(sim::TheWorld().CallCount(sim::Op::kOpenInputFile), 0);
  EXPECT_EQ(sim::TheWorld().List("C:\\WINDOWS\\TEMP").size(), 0u);
}

TEST_F(LauncherTest, ExtractsEveryEntryWithItsTimesAndAttributesThenStartsTheEngine) {
  std::vector<Bytes> contents = FourContents();
  Install(BuildInstaller(EntriesFor(contents)));

  EXPECT_EQ(launcher::RunLauncher(), launcher::kLaunchOk);

  EXPECT_TRUE(sim::TheWorld().messageBoxes.empty());
  ExpectEngineStarted(true);
  const sim::FileRecord* dir = sim::TheWorld().Find(kExtractionDir);
  ASSERT_NE(dir, nullptr);
  EXPECT_TRUE(dir->directory);
  const char* names[] = {"tarnwick.exe", "00000001", "00000002", "00000003"};
  EXPECT_EQ(sim::TheWorld().List(kExtractionDir).size(), 4u);
  for (uint32_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(names[i]);
    const sim::FileRecord* file = sim::TheWorld().Find(Member(names[i]));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->data, contents[i]);
    package::EntryHeader header = HeaderFor(i, i == 2 ? 0x21 : 0x20);
    EXPECT_EQ(file->attributes, header.attributes);
    EXPECT_EQ(file->creationTime, header.creationTime);
    EXPECT_EQ(file->lastAccessTime, header.lastAccessTime);
    EXPECT_EQ(file->lastWriteTime, header.lastWriteTime);
  }
}

TEST_F(LauncherTest, ShowsTheWaitCursorAndPutsTheOldOneBack) {
  Install(BuildInstaller(EntriesFor({Text("x")})));
  launcher::RunLauncher();
  std::vector<platform::Cursor> expected = {sim::kWaitCursor, sim::kArrowCursor};
  EXPECT_EQ(sim::TheWorld().cursorsShown, expected);
}

TEST_F(LauncherTest, CentresTheSplashTruncatingTowardZero) {
  struct Case {
    int width, height, x, y;
  } cases[] = {
      {1024, 768, 445, 358}, {640, 480, 253, 214}, {136, 53, 1, 1},
      {133, 50, 0, 0},       {100, 40, -17, -5},   {0, 0, -67, -25},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    sim::Reset();
    sim::TheWorld().screen = {c.width, c.height};
    sim::TheWorld().AddFile(sim::TheWorld().modulePath, Bytes(8, 0));
    launcher::RunLauncher();
    ASSERT_EQ(sim::TheWorld().splashCopies.size(), 1u);
    const sim::SplashCopy& copy = sim::TheWorld().splashCopies[0];
    EXPECT_EQ(copy.bitmapId, 104);
    EXPECT_EQ(copy.sourceX, 0);
    EXPECT_EQ(copy.sourceY, 0);
    EXPECT_EQ(copy.width, 134);
    EXPECT_EQ(copy.height, 51);
    EXPECT_EQ(copy.x, c.x);
    EXPECT_EQ(copy.y, c.y);
  }
}

TEST_F(LauncherTest, AnOwnFileThatCannotBeOpenedEndsWithStatusTwo) {
  Install(BuildInstaller(EntriesFor({Text("x")})));
  sim::TheWorld().Find(sim::TheWorld().modulePath)->heldOpenByOtherProgram = true;
  EXPECT_EQ(launcher::RunLauncher(), launcher::kCantOpenArchive);
  ExpectOneMessage("Can't open archive");
  ExpectEngineStarted(false);
}

TEST_F(LauncherTest, HandlesTheEdgesOfTheLayout) {
  struct Case {
    const char* name;
    std::vector<Bytes> contents;
    uint32_t spare;
  } cases[] = {
      {"a single entry yields only the engine", {Text("engine")}, 0},
      {"spare bytes behind the table are skipped", {Text("engine"), Text("project")}, 3},
      {"an entry of only a header is an empty file", {Text("engine"), Bytes{}}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Install(BuildInstaller(EntriesFor(c.contents), 64, c.spare));
    EXPECT_EQ(launcher::RunLauncher(), launcher::kLaunchOk);
    ASSERT_EQ(sim::TheWorld().List(kExtractionDir).size(), c.contents.size());
    for (uint32_t i = 0; i < c.contents.size(); ++i) {
      PathBuffer member;
      package::FormatMemberPath(kExtractionDir, i, &member);
      const sim::FileRecord* file = sim::TheWorld().Find(member.c_str());
      ASSERT_NE(file, nullptr);
      EXPECT_EQ(file->data, c.contents[i]);
      EXPECT_EQ(file->creationTime, HeaderFor(i).creationTime);
    }
  }
}

TEST_F(LauncherTest, NamesTheTwelfthEntry00000012) {
  std::vector<Bytes> contents(13, Text("n"));
  Install(BuildInstaller(EntriesFor(contents)));
  EXPECT_EQ(launcher::RunLauncher(), launcher::kLaunchOk);
  EXPECT_TRUE(sim::TheWorld().Exists(Member("00000012")));
  EXPECT_FALSE(sim::TheWorld().Exists(Member("00000000")));
}

TEST_F(LauncherTest, BytesAppendedBehindThePackageJoinTheLastEntry) {
  Installer installer = BuildInstaller(EntriesFor({Text("engine"), Text("abc")}));
  installer.bytes.push_back('Z');  // the flag byte before "abc" still has literals to give
  Install(installer);
  EXPECT_EQ(launcher::RunLauncher(), launcher::kLaunchOk);
  EXPECT_EQ(sim::TheWorld().Find(Member("00000001"))->data, Text("abcZ"));
}

TEST_F(LauncherTest, TakesTheNextTemporaryNumberWhenOneIsInUse) {
  sim::TheWorld().AddFile("C:\\WINDOWS\\TEMP\\bks1A2B.TMP", Bytes(5, 'z'));
  Install(BuildInstaller(EntriesFor({Text("engine")})));
  EXPECT_EQ(launcher::RunLauncher(), launcher::kLaunchOk);
  EXPECT_TRUE(sim::TheWorld().Exists("C:\\WINDOWS\\TEMP\\bks1A2C.TMP\\tarnwick.exe"));
  EXPECT_EQ(sim::TheWorld().Find("C:\\WINDOWS\\TEMP\\bks1A2B.TMP")->data.size(), 5u);
}

TEST_F(LauncherTest, GivesAReadOnlyMemberItsTimesBeforeItsAttributes) {
  std::vector<TestEntry> entries = EntriesFor({Text("engine"), Text("data")});
  entries[1].header.attributes = 0x01;  // read-only
  Install(BuildInstaller(entries));
  EXPECT_EQ(launcher::RunLauncher(), launcher::kLaunchOk);
  const sim::FileRecord* file = sim::TheWorld().Find(Member("00000001"));
  EXPECT_EQ(file->attributes, 0x01u);
  EXPECT_EQ(file->lastWriteTime, HeaderFor(1).lastWriteTime);
}

// Each malformed package ends in status 3 before anything larger than the file is
// allocated; whatever was extracted before the bad entry stays.
TEST_F(LauncherTest, RefusesMalformedPackages) {
  using Patch = void (*)(Installer&);
  struct Case {
    const char* name;
    Patch patch;
    size_t membersLeft;
  } cases[] = {
      {"no entries",
       [](Installer& in) { package::WriteLe32(in.packageOffset + 3, &in.bytes[in.packageOffset]); },
       0},
      {"first offset below the package",
       [](Installer& in) { package::WriteLe32(in.packageOffset - 8, &in.bytes[in.packageOffset]); },
       0},
      {"table past the end of the file",
       [](Installer& in) {
         package::WriteLe32(in.packageOffset + 4000, &in.bytes[in.packageOffset]);
       },
       0},
      {"offsets that do not increase",
       [](Installer& in) {
         uint32_t first = package::ReadLe32(&in.bytes[in.packageOffset]);
         package::WriteLe32(first, &in.bytes[in.packageOffset + 8]);
       },
       1},
      {"an entry past the end of the file",
       [](Installer& in) {
         package::WriteLe32(static_cast<uint32_t>(in.bytes.size()) + 1,
                            &in.bytes[in.packageOffset + 8]);
       },
       1},
      {"a last entry shorter than its header",
       [](Installer& in) { in.bytes.resize(in.bytes.size() - 36); }, 2},
      {"a package offset past the end of the file",
       [](Installer& in) { in.packageOffset = static_cast<uint32_t>(in.bytes.size()) + 100; }, 0},
      {"a table cut short", [](Installer& in) { in.bytes.resize(in.packageOffset + 6); }, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    // Three entries; the last stream is exactly eight bytes long plus its flag byte.
    Installer installer =
        BuildInstaller(EntriesFor({Text("engine"), Text("project"), Text("12345678")}));
    c.patch(installer);
    Install(installer);
    EXPECT_EQ(launcher::RunLauncher(), launcher::kFileAccessError);
    ExpectOneMessage("File access error");
    EXPECT_LE(sim::TheWorld().LargestAllocation(), installer.bytes.size());
    EXPECT_EQ(sim::TheWorld().List(kExtractionDir).size(), c.membersLeft);
    ExpectEngineStarted(true);  // the launch path was formed before the table was read
    TearDown();
  }
}

TEST_F(LauncherTest, EndsBeforeFormingTheLaunchPathWithoutAUsableTemporaryName) {
  struct Case {
    const char* name;
    void (*arrange)();
  } cases[] = {
      {"no unique name", [] { sim::TheWorld().FailCall(sim::Op::kUniqueTempName, 1); }},
      {"no temporary folder", [] { sim::TheWorld().FailCall(sim::Op::kTempFolderPath, 1); }},
      {"a folder too long for the member paths",
       [] {
         std::string folder = "C:\\" + std::string(232, 't');
         sim::TheWorld().AddDirectory(folder);
         sim::TheWorld().tempFolder = folder + "\\";
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    c.arrange();
    Install(BuildInstaller(EntriesFor({Text("engine")})));
    EXPECT_EQ(launcher::RunLauncher(), launcher::kFileAccessError);
    ExpectOneMessage("File access error");
    ExpectEngineStarted(false);
    EXPECT_EQ(sim::TheWorld().CallCount(sim::Op::kMakeDirectory), 0);
    TearDown();
  }
}

// Walks every platform call of a complete pass and makes each one fail in turn.
TEST_F(LauncherTest, EveryFailingCallLeavesTheStatusOfItsStageAndNothingOpen) {
  std::vector<Bytes> contents = FourContents();
  auto arrange = [&] {
    SetUp();
    Install(BuildInstaller(EntriesFor(contents)));
  };
  arrange();
  ASSERT_EQ(launcher::RunLauncher(), launcher::kLaunchOk);
  int counts[static_cast<int>(sim::Op::kCount)];
  for (int op = 0; op < static_cast<int>(sim::Op::kCount); ++op) {
    counts[op] = sim::TheWorld().CallCount(static_cast<sim::Op>(op));
  }

  for (int op = 0; op < static_cast<int>(sim::Op::kCount); ++op) {
    const sim::Op which = static_cast<sim::Op>(op);
    for (int nth = 1; nth <= counts[op]; ++nth) {
      SCOPED_TRACE(std::string(sim::OpName(which)) + " call " + std::to_string(nth));
      arrange();
      sim::TheWorld().FailCall(which, nth);
      int status = launcher::RunLauncher();

      bool splashOrRemoveOnly = which == sim::Op::kCopyBitmapToScreen ||
                                which == sim::Op::kRemoveFile || which == sim::Op::kCloseFile;
      bool beforeOpen = which == sim::Op::kModulePath || which == sim::Op::kOpenInputFile;
      int expected = splashOrRemoveOnly ? launcher::kLaunchOk
                     : beforeOpen       ? launcher::kCantOpenArchive
                                        : launcher::kFileAccessError;
      if (which == sim::Op::kRemoveFile) {
        // The temporary file stays, so the directory cannot take its name.
        expected = launcher::kFileAccessError;
      }
      EXPECT_EQ(status, expected);
      EXPECT_EQ(sim::TheWorld().messageBoxes.size(), status == 0 ? 0u : 1u);

      // Members before the failing one are complete; at most the last one is not.
      int lastPresent = -1;
      for (uint32_t i = 0; i < contents.size(); ++i) {
        PathBuffer member;
        package::FormatMemberPath(kExtractionDir, i, &member);
        if (sim::TheWorld().Exists(member.c_str())) lastPresent = static_cast<int>(i);
      }
      for (int i = 0; i < lastPresent; ++i) {
        PathBuffer member;
        package::FormatMemberPath(kExtractionDir, i, &member);
        EXPECT_EQ(sim::TheWorld().Find(member.c_str())->data, contents[i]) << member.c_str();
      }
      bool launchPathFormed = which != sim::Op::kModulePath && which != sim::Op::kOpenInputFile &&
                              which != sim::Op::kSeekTo && which != sim::Op::kTempFolderPath &&
                              which != sim::Op::kUniqueTempName;
      if (which == sim::Op::kSeekTo && nth > 1) launchPathFormed = true;
      if (launchPathFormed) {
        ASSERT_EQ(sim::TheWorld().startedPrograms.size(), 1u);
      } else {
        EXPECT_TRUE(sim::TheWorld().startedPrograms.empty());
      }
      TearDown();
    }
  }
}

}  // namespace
