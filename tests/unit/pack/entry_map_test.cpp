// Which file becomes which data entry: DATA arguments, the entries manifest, and the errors.
#include "tools/pack/entry_map.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using pack::EntryMapStatus;
using pack::EntrySource;

// (number, path) of each entry, in entry order.
using Mapping = std::vector<std::pair<int32_t, std::string>>;

Mapping MappingOf(const std::vector<EntrySource>& entries) {
  Mapping mapping;
  for (const EntrySource& e : entries) mapping.emplace_back(e.number, e.path);
  return mapping;
}

std::string Joined(const std::vector<std::string>& args) {
  std::string text;
  for (const std::string& a : args) text += "'" + a + "' ";
  return text;
}

TEST(EntryMapTest, ArgumentsNumberedOrBare) {
  struct Case {
    std::vector<std::string> args;
    Mapping expected;
  };
  const Case cases[] = {
      {{}, {}},
      // Bare paths alone keep the order they are given in.
      {{"a.prc", "b.txt", "c.txt"}, {{2, "a.prc"}, {3, "b.txt"}, {4, "c.txt"}}},
      {{"4=d", "2=b", "3=c"}, {{2, "b"}, {3, "c"}, {4, "d"}}},
      // A bare path takes the number after the highest so far, not the lowest free one.
      {{"a", "4=d", "e", "3=c"}, {{2, "a"}, {3, "c"}, {4, "d"}, {5, "e"}}},
      {{"02=lead"}, {{2, "lead"}}},
      // Only decimal digits before the first '=' make a number.
      {{"x=y.txt", "./3=z", "2a=b"}, {{2, "x=y.txt"}, {3, "./3=z"}, {4, "2a=b"}}},
      {{"2=a=b"}, {{2, "a=b"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    std::vector<EntrySource> entries;
    std::string error;
    ASSERT_EQ(pack::MapDataEntries(std::nullopt, c.args, &entries, &error), EntryMapStatus::kOk)
        << error;
    EXPECT_EQ(MappingOf(entries), c.expected);
  }
}

TEST(EntryMapTest, WrongArgumentsAreCommandLineErrors) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {{"1=a"}, {"'1=a'", "project file"}},
      {{"0=a"}, {"'0=a'", "engine"}},
      {{"3="}, {"'3='", "no path"}},
      {{"2=a", "2=b"}, {"'2=b'", "entry 2 is given twice", "argument '2=a'"}},
      {{"a", "2=b"}, {"entry 2 is given twice", "argument 'a'"}},
      {{"2147483648=a"}, {"too large"}},
      {{"2147483647=a", "b"}, {"'b'", "no entry number is left"}},
      {{"4=a"}, {"entries 2 to 4 must all be given", "missing: 2-3"}},
      {{"2=a", "5=b", "9=c", "7=d"},
       {"highest, 9, comes from argument '9=c'", "missing: 3-4, 6, 8"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Joined(c.args));
    std::vector<EntrySource> entries;
    std::string error;
    EXPECT_EQ(pack::MapDataEntries(std::nullopt, c.args, &entries, &error),
              EntryMapStatus::kCommandLine);
    for (const std::string& message : c.messages) {
      EXPECT_NE(error.find(message), std::string::npos) << message << " in: " << error;
    }
    EXPECT_TRUE(entries.empty());
  }
}

TEST(EntryMapTest, ManifestLines) {
  const std::string text =
      "# planner's data entries\r\n"
      "\r\n"
      "   \t\r\n"
      "  # an indented comment\n"
      "3=readme.txt\r\n"
      "  2 = data/planner.prc  \r\n"
      "4=/abs/license.txt\n"
      "5=with space.txt";  // no line end at the end of the file
  std::vector<EntrySource> entries;
  std::string error;
  ASSERT_TRUE(pack::ParseEntryManifest("proj/entries", text, &entries, &error)) << error;
  EXPECT_EQ(MappingOf(entries), (Mapping{{3, "proj/readme.txt"},
                                         {2, "proj/data/planner.prc"},
                                         {4, "/abs/license.txt"},
                                         {5, "proj/with space.txt"}}));
  EXPECT_EQ(entries[1].origin, "proj/entries:6");
  EXPECT_TRUE(entries[1].fromManifest);

  // A manifest in the current directory leaves relative paths as they are.
  entries.clear();
  ASSERT_TRUE(pack::ParseEntryManifest("entries", "2=a.prc\n", &entries, &error)) << error;
  EXPECT_EQ(MappingOf(entries), (Mapping{{2, "a.prc"}}));
}

TEST(EntryMapTest, WrongManifestLinesNameFileAndLine) {
  struct Case {
    const char* wrongLine;
    const char* message;
  };
  const Case cases[] = {
      {"readme.txt", "expected N=PATH"},
      {"=readme.txt", "expected N=PATH"},
      {"x=readme.txt", "expected N=PATH"},
      {"-3=readme.txt", "expected N=PATH"},
      {"+3=readme.txt", "expected N=PATH"},
      {"1=readme.txt", "project file"},
      {"0=readme.txt", "engine"},
      {"4=", "no path"},
      {"99999999999=readme.txt", "too large"},
      {"2=again.txt", "entry 2 is given twice (also at dir/entries:2)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wrongLine);
    const std::string text = std::string("# entries\n2=a.prc\n") + c.wrongLine + "\n5=b.txt\n";
    std::vector<EntrySource> entries;
    std::string error;
    EXPECT_FALSE(pack::ParseEntryManifest("dir/entries", text, &entries, &error));
    EXPECT_EQ(error.rfind("dir/entries:3: ", 0), 0u) << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
}

class EntryManifestFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tarnwick-entries-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
  std::string Manifest(const std::string& text) const {
    std::ofstream(dir_ / "entries", std::ios::binary) << text;
    return (dir_ / "entries").string();
  }
  fs::path dir_;
};

TEST_F(EntryManifestFileTest, ArgumentsFollowTheManifest) {
  const std::string manifest = Manifest("3=b.txt\n2=a.prc\n");
  std::vector<EntrySource> entries;
  std::string error;
  ASSERT_EQ(pack::MapDataEntries(manifest, {"c.txt", "5=/x/e.txt"}, &entries, &error),
            EntryMapStatus::kOk)
      << error;
  const std::string d = dir_.string() + "/";
  EXPECT_EQ(MappingOf(entries),
            (Mapping{{2, d + "a.prc"}, {3, d + "b.txt"}, {4, "c.txt"}, {5, "/x/e.txt"}}));
}

TEST_F(EntryManifestFileTest, ErrorsSayWhetherTheManifestOrTheCommandLineIsWrong) {
  struct Case {
    const char* name;
    std::string manifest;
    std::vector<std::string> args;
    EntryMapStatus status;
    std::string message;
  };
  const std::string at = dir_.string() + "/entries:";
  const Case cases[] = {
      {"malformed line", "2=a\nb\n", {}, EntryMapStatus::kInvalid, at + "2: expected N=PATH"},
      {"argument repeats a manifest entry",
       "2=a\n3=b\n",
       {"3=c"},
       EntryMapStatus::kCommandLine,
       "also by " + at + "2"},
      {"gap in the manifest", "2=a\n4=b\n", {}, EntryMapStatus::kInvalid, "comes from " + at + "2"},
      {"gap left by an argument",
       "2=a\n",
       {"4=b"},
       EntryMapStatus::kCommandLine,
       "comes from argument '4=b'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<EntrySource> entries;
    std::string error;
    EXPECT_EQ(pack::MapDataEntries(Manifest(c.manifest), c.args, &entries, &error), c.status);
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }

  std::vector<EntrySource> entries;
  std::string error;
  EXPECT_EQ(pack::MapDataEntries((dir_ / "no-such-entries").string(), {}, &entries, &error),
            EntryMapStatus::kInvalid);
  EXPECT_NE(error.find("no-such-entries"), std::string::npos) << error;
}

}  // namespace
