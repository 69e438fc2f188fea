// The simulated Windows behaves as the real one where the programs rely on it.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/sim/world.h"

namespace {

class SimWorldTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
};

TEST_F(SimWorldTest, NamesCompareWithoutCaseAndKeepTheirCase) {
  sim::World& world = sim::TheWorld();
  ASSERT_TRUE(world.AddFile("C:\\Data\\ReadMe.txt", {1, 2}));
  EXPECT_TRUE(world.Exists("c:\\DATA\\readme.TXT"));
  EXPECT_EQ(world.Find("C:\\data\\README.TXT")->path, "C:\\Data\\ReadMe.txt");
  EXPECT_FALSE(world.AddFile("D:\\nodrive.txt", {}));
}

TEST_F(SimWorldTest, MakesTemporaryNamesTheWayThePlatformDoes) {
  sim::World& world = sim::TheWorld();
  world.nextTempNumber = 0xFFFF;
  world.AddFile("C:\\WINDOWS\\TEMP\\bksFFFF.TMP", {});
  char name[platform::kMaxPath];
  EXPECT_EQ(platform::UniqueTempName("C:\\WINDOWS\\TEMP\\", "bksx", name), 1u);  // 0 is skipped
  EXPECT_STREQ(name, "C:\\WINDOWS\\TEMP\\bks1.TMP");
  EXPECT_TRUE(world.Exists(name));
  EXPECT_EQ(platform::UniqueTempName("C:\\NOWHERE", "bks", name), 0u);
}

TEST_F(SimWorldTest, EnforcesSharing) {
  sim::TheWorld().AddFile("C:\\a.bin", {1, 2, 3});
  platform::Handle reader = platform::OpenInputFile("C:\\a.bin");
  ASSERT_NE(reader, platform::kNoHandle);
  platform::Handle second = platform::OpenInputFile("C:\\A.BIN");
  EXPECT_NE(second, platform::kNoHandle);  // both share reading and writing
  EXPECT_EQ(platform::CreateOutputFile("C:\\a.bin"), platform::kNoHandle);  // no sharing asked
  EXPECT_FALSE(platform::RemoveFile("C:\\a.bin"));
  platform::CloseFile(reader);
  platform::CloseFile(second);
  EXPECT_EQ(sim::TheWorld().OpenHandleCount(), 0u);
}

TEST_F(SimWorldTest, RefusesToReplaceReadOnlyHiddenOrSystemFiles) {
  for (uint32_t attributes : {0x01u, 0x02u, 0x04u}) {
    sim::TheWorld().AddFile("C:\\f", {}, attributes);
    EXPECT_EQ(platform::CreateOutputFile("C:\\f"), platform::kNoHandle) << attributes;
  }
}

TEST_F(SimWorldTest, ZeroTimesLeaveTheFileTimesAlone) {
  platform::Handle out = platform::CreateOutputFile("C:\\t");
  ASSERT_TRUE(platform::SetFileTimes(out, 11, 22, 33));
  ASSERT_TRUE(platform::SetFileTimes(out, 0, 44, 0));
  platform::CloseFile(out);
  const sim::FileRecord* file = sim::TheWorld().Find("C:\\t");
  EXPECT_EQ(file->creationTime, 11u);
  EXPECT_EQ(file->lastAccessTime, 44u);
  EXPECT_EQ(file->lastWriteTime, 33u);
}

TEST_F(SimWorldTest, FailsTheNthCallOrEveryCallOnAPath) {
  sim::World& world = sim::TheWorld();
  world.FailCall(sim::Op::kMakeDirectory, 2);
  world.FailOnPath(sim::Op::kMakeDirectory, "C:\\never");
  EXPECT_TRUE(platform::MakeDirectory("C:\\one"));
  EXPECT_FALSE(platform::MakeDirectory("C:\\two"));
  EXPECT_TRUE(platform::MakeDirectory("C:\\three"));
  EXPECT_FALSE(platform::MakeDirectory("C:\\NEVER"));
  EXPECT_FALSE(platform::MakeDirectory("C:\\one"));             // exists
  EXPECT_FALSE(platform::MakeDirectory("C:\\missing\\child"));  // no parent
  EXPECT_EQ(world.CallCount(sim::Op::kMakeDirectory), 6);
}

TEST_F(SimWorldTest, CountsAllocations) {
  void* block = platform::AllocateMemory(10);
  EXPECT_EQ(sim::TheWorld().LiveAllocationCount(), 1u);
  platform::FreeMemory(block);
  EXPECT_EQ(sim::TheWorld().LiveAllocationCount(), 0u);
  sim::TheWorld().FailCall(sim::Op::kAllocateMemory, 2);
  EXPECT_EQ(platform::AllocateMemory(1), nullptr);
}

}  // namespace
