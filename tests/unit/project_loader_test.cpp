#include "engine/project/project_loader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/project/component_walks.h"
#include "platform/sim/world.h"

namespace {

using namespace engine;

constexpr const char kDir[] = "C:\\WINDOWS\\TEMP\\BKS1A2B.TMP\\";
const std::string kRootPath = std::string(kDir) + "00000001";

std::string EntryPath(int entry) {
  char name[16];
  std::snprintf(name, sizeof name, "%08d", entry);
  return std::string(kDir) + name;
}

// Project files are written with CR LF line ends, as producers write them.
void WriteEntry(int entry, const std::string& text) {
  std::vector<uint8_t> bytes;
  for (char c : text) {
    if (c == '\n') bytes.push_back('\r');
    bytes.push_back(static_cast<uint8_t>(c));
  }
  sim::TheWorld().AddFile(EntryPath(entry), bytes);
}

const char kSamplePlanner[] =
    "[Project]\n"
    "Title=Sample Planner\n"
    "Version=2.0\n"
    "Company=Sample Software\n"
    "Launch=\"\",-1\n"
    "Multicomp=0\n"
    "Readme=0,0\n"
    "EULA=0,1\n"
    "[Palm]\n"
    "File1=\"planner.prc\",2\n"
    "File2=\"plandata.pdb\",3\n"
    "[Application]\n"
    "Folder0=\"\",\n"
    "Folder1=\"Docs\",\n"
    "File0=\"readme.txt\",1,4,0,2,1,\n"
    "File1=\"license.txt\",1,5,0,2,0,\n"
    "[System]\n"
    "Folder0=\"\",\n"
    "[Conduit]\n"
    "Folder0=\"\",\n";

// The text with its one occurrence of `from` replaced (a section appears once in a file).
std::string Edited(std::string text, const std::string& from, const std::string& to) {
  size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

class ProjectLoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Reset();
    InitProject(&project);
  }
  void TearDown() override {
    ReleaseProject(&project);
    EXPECT_EQ(sim::TheWorld().LiveAllocationCount(), 0u) << "a list or sub-project leaked";
    EXPECT_EQ(sim::TheWorld().OpenHandleCount(), 0u);
  }
  bool Load(const std::string& text, bool recursive = true) {
    WriteEntry(1, text);
    return LoadProject(&project, kRootPath.c_str(), recursive, &fault);
  }

  Project project;
  LoadFault fault;
};

// ---- value parsers ------------------------------------------------------------------------

struct NumberCase {
  const char* text;
  bool parses;
  int64_t value;   // signed reading (or the unsigned one, for the unsigned table)
  size_t stopsAt;  // where the cursor ends on success
};

TEST(ValueParsers, SignedNumbers) {
  const NumberCase cases[] = {
      {"12", true, 12, 2},
      {"  -1,", true, -1, 4},
      {"\t7 ,", true, 7, 2},
      {"0\r\n", true, 0, 1},
      {"-2147483648", true, INT32_MIN, 11},
      {"4294967297", true, 1, 10},  // more than 32 bits: value * 10 + digit wraps
      {"+1", false, 0, 0},
      {"- 1", false, 0, 0},
      {"-", false, 0, 0},
      {"", false, 0, 0},
      {"   ", false, 0, 0},
      {" ,5", false, 0, 0},
      {"12x", false, 0, 0},
      {"1-2", false, 0, 0},
      {"0x10", false, 0, 0},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(c.text);
    const char* cursor = c.text;
    int32_t target = 99;
    EXPECT_EQ(ParseSignedNumber(&cursor, &target), c.parses);
    if (c.parses) {
      EXPECT_EQ(target, c.value);
      EXPECT_EQ(static_cast<size_t>(cursor - c.text), c.stopsAt);
    } else {
      EXPECT_EQ(target, 99) << "a failed parse changed the target";
      EXPECT_EQ(cursor, c.text) << "a failed parse moved the cursor";
    }
  }
}

TEST(ValueParsers, UnsignedNumbers) {
  const NumberCase cases[] = {
      {"4294967295", true, 4294967295LL, 10},
      {" 1414091852,", true, 1414091852, 11},
      {"4294967296", true, 0, 10},
      {"-5", false, 0, 0},
      {"5-", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(c.text);
    const char* cursor = c.text;
    uint32_t target = 99;
    EXPECT_EQ(ParseUnsignedNumber(&cursor, &target), c.parses);
    EXPECT_EQ(target, c.parses ? static_cast<uint32_t>(c.value) : 99u);
    EXPECT_EQ(static_cast<size_t>(cursor - c.text), c.parses ? c.stopsAt : 0u);
  }
}

TEST(ValueParsers, QuotedStringsAndSeparators) {
  struct Case {
    const char* text;
    size_t width;
    bool parses;
    const char* result;
    size_t stopsAt;
  } cases[] = {
      {"\"readme.txt\",1", 260, true, "readme.txt", 12},
      {" \t\"a b\" ,", 260, true, "a b", 7},
      {"\"\",", 260, true, "", 2},
      {"\"abcdef\"", 4, true, "abc", 8},  // cut to width - 1, cursor still behind the quote
      {"readme.txt", 260, false, nullptr, 0},
      {"\"readme.txt", 260, false, nullptr, 0},
      {"'x'", 260, false, nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const char* cursor = c.text;
    char target[260] = "unchanged";
    EXPECT_EQ(ParseQuotedString(&cursor, target, c.width), c.parses);
    EXPECT_STREQ(target, c.parses ? c.result : "unchanged");
    EXPECT_EQ(static_cast<size_t>(cursor - c.text), c.stopsAt);
  }

  const char* separated = " \t, \r\nnext";
  EXPECT_TRUE(ParseSeparator(&separated));
  EXPECT_STREQ(separated, "next");
  const char* missing = "  next";
  EXPECT_FALSE(ParseSeparator(&missing));
  EXPECT_STREQ(missing, "  next");
}

// ---- the loader -----------------------------------------------------------------------------

TEST_F(ProjectLoaderTest, LoadsTheSampleProject) {
  ASSERT_TRUE(Load(kSamplePlanner));
  EXPECT_STREQ(project.Title.c_str(), "Sample Planner");
  EXPECT_STREQ(project.Version.c_str(), "2.0");
  EXPECT_STREQ(project.Company.c_str(), "Sample Software");
  EXPECT_EQ(project.Launch.EntryNumber, -1);
  EXPECT_EQ(project.Multicomp, 0);
  EXPECT_EQ(project.Readme.Section, 0);
  EXPECT_EQ(project.Readme.Index, 0);
  EXPECT_EQ(project.Eula.Index, 1);

  ASSERT_EQ(project.HandheldFiles.count, 2);
  EXPECT_STREQ(project.HandheldFiles.At(1)->Name.c_str(), "plandata.pdb");
  EXPECT_EQ(project.HandheldFiles.At(1)->EntryNumber, 3);

  ASSERT_EQ(project.Folders[Application].count, 2);
  EXPECT_STREQ(FolderAt(project, Application, 0)->Name.c_str(), "");
  EXPECT_STREQ(FolderAt(project, Application, 1)->Name.c_str(), "Docs");
  ASSERT_EQ(project.Files[Application].count, 2);
  const DesktopFile* readme = ReferencedFile(project, project.Readme);
  ASSERT_NE(readme, nullptr);
  EXPECT_STREQ(readme->Name.c_str(), "readme.txt");
  EXPECT_EQ(readme->FolderIndex, 1);
  EXPECT_EQ(readme->EntryNumber, 4);
  EXPECT_EQ(readme->Kind, Plain);
  EXPECT_EQ(readme->CopyMode, 2);
  EXPECT_EQ(readme->Shortcut, 1);
  EXPECT_EQ(ReferencedFile(project, project.Eula)->Shortcut, 0);
  EXPECT_EQ(project.Folders[System].count, 1);
  EXPECT_EQ(project.Folders[Conduit].count, 1);
  EXPECT_EQ(project.Files[System].count, 0);
}

TEST_F(ProjectLoaderTest, ReadsEveryFieldOfAConduitAndASelfRegisteringFile) {
  ASSERT_TRUE(
      Load("[Project]\nTitle=T\n[Conduit]\nFolder0=\"\",\n"
           "File0=\"plsync.dll\",0,6,1,1,0, \"-q\" , 1399877998,\"Planner\",\"planner.dat\","
           "\"Sample Planner conduit\",0,\"plsync.dll\",\"Sample Planner\",2,\"PlannerDB\",\n"
           "[System]\nFile0=\"plshared.dll\",0,7,2,3,0,1,\n"));
  const ConduitRecord& r = DesktopFileAt(project, Conduit, 0)->ConduitRecord;
  EXPECT_STREQ(r.Conduit.c_str(), "");
  EXPECT_STREQ(r.Arguments.c_str(), "-q");
  EXPECT_EQ(r.Creator, 1399877998u);
  EXPECT_STREQ(r.Directory.c_str(), "Planner");
  EXPECT_STREQ(r.File0.c_str(), "planner.dat");
  EXPECT_STREQ(r.Information.c_str(), "Sample Planner conduit");
  EXPECT_EQ(r.Integrate, 0u);
  EXPECT_STREQ(r.Module.c_str(), "plsync.dll");
  EXPECT_STREQ(r.Name.c_str(), "Sample Planner");
  EXPECT_EQ(r.Priority, 2u);
  EXPECT_STREQ(r.Remote0.c_str(), "PlannerDB");
  const DesktopFile* shared = DesktopFileAt(project, System, 0);
  EXPECT_EQ(shared->Kind, SelfRegistering);
  EXPECT_EQ(shared->CopyMode, 3);
  EXPECT_EQ(shared->SelfRegister, 1);
}

// Each case is a tail appended to "[Project] Title=T"; it continues the Project section
// until it opens another.
struct SyntaxCase {
  const char* name;
  std::string tail;
  bool loads;
  std::function<void(const Project&)> check;
};

std::string Repeat(char c, size_t n) { return std::string(n, c); }

TEST_F(ProjectLoaderTest, ValueSyntax) {
  const std::string name300 = Repeat('n', 300);
  const SyntaxCase cases[] = {
      {"folder with comma is an empty-named folder", "[System]\nFolder0=\"\",\n", true,
       [](const Project& p) {
         ASSERT_EQ(p.Folders[System].count, 1);
         EXPECT_TRUE(p.Folders[System].At(0)->Name.empty());
       }},
      {"folder without comma reads as empty and ends the list", "[System]\nFolder0=\"\"\n", true,
       [](const Project& p) { EXPECT_EQ(p.Folders[System].count, 0); }},
      {"named folder without comma is invalid", "[Application]\nFolder0=\"\",\nFolder1=\"Docs\"\n",
       false, nullptr},
      {"text after the folder's comma is ignored", "[Application]\nFolder0=\"Docs\", junk\n", true,
       [](const Project& p) { EXPECT_STREQ(p.Folders[0].At(0)->Name.c_str(), "Docs"); }},
      {"lists stop at the first missing number",
       "[Palm]\nFile2=\"a.prc\",2\n[Application]\nFile1=\"a.txt\",0,2,0,2,0,\n", true,
       [](const Project& p) {
         EXPECT_EQ(p.HandheldFiles.count, 0);
         EXPECT_EQ(p.Files[Application].count, 0);
       }},
      {"kind 0 with trailing comma, without it, and with more text",
       "[Application]\nFile0=\"a\",0,2,0,2,0,\nFile1=\"b\",0,2,0,2,0\nFile2=\"c\",0,2,0,2,0,x,9\n",
       true,
       [](const Project& p) {
         ASSERT_EQ(p.Files[0].count, 3);
         for (int i = 0; i < 3; ++i) EXPECT_EQ(p.Files[0].At(i)->CopyMode, 2);
       }},
      {"blanks and tabs around every field", "[Palm]\nFile1=  \"a.prc\" \t,\t 2 \n", true,
       [](const Project& p) { EXPECT_EQ(p.HandheldFiles.At(0)->EntryNumber, 2); }},
      {"blank between minus and digits", "[Palm]\nFile1=\"a.prc\",- 2\n", false, nullptr},
      {"plus sign", "[Palm]\nFile1=\"a.prc\",+2\n", false, nullptr},
      {"missing field", "[Palm]\nFile1=\"a.prc\"\n", false, nullptr},
      {"missing comma", "[Palm]\nFile1=\"a.prc\" 2\n", false, nullptr},
      {"missing closing quote", "[Palm]\nFile1=\"a.prc,2\n", false, nullptr},
      {"minus one in every signed field",
       "[Palm]\nFile1=\"a\",-1\n[System]\nFile0=\"b\",-1,-1,0,-1,-1,\n", true,
       [](const Project& p) {
         EXPECT_EQ(p.HandheldFiles.At(0)->EntryNumber, -1);
         EXPECT_EQ(p.Files[System].At(0)->FolderIndex, -1);
         EXPECT_EQ(p.Files[System].At(0)->Shortcut, -1);
       }},
      {"a component whose entry is -1 has no sub-project file", "Component1=\"c\",-1,1,1\n", false,
       nullptr},
      {"name of 300 characters is cut to 259", "[Palm]\nFile1=\"" + name300 + "\",2\n", true,
       [](const Project& p) { EXPECT_EQ(p.HandheldFiles.At(0)->Name.size(), 259u); }},
      {"conduit string of 200 characters is cut to 127",
       "[Conduit]\nFile0=\"c.dll\",0,2,1,2,0,\"" + Repeat('a', 200) +
           "\",1,\"d\",\"f\",\"i\",0,\"m\",\"n\",1,\"r\",\n",
       true,
       [](const Project& p) {
         EXPECT_EQ(p.Files[Conduit].At(0)->ConduitRecord.Arguments.size(), 127u);
         EXPECT_STREQ(p.Files[Conduit].At(0)->ConduitRecord.Remote0.c_str(), "r");
       }},
      {"minus in an unsigned conduit field",
       "[Conduit]\nFile0=\"c.dll\",0,2,1,2,0,\"a\",-5,\"d\",\"f\",\"i\",0,\"m\",\"n\",1,\"r\",\n",
       false, nullptr},
      {"kind 3 with six good fields", "[Application]\nFile0=\"a\",0,2,3,2,0,\n", false, nullptr},
      {"self-registering file without its flag", "[System]\nFile0=\"a.dll\",0,2,2,2,0,\n", false,
       nullptr},
      {"launch with a name and a number", "Launch=\"whatsnew.txt\", 6\n", true,
       [](const Project& p) {
         EXPECT_STREQ(p.Launch.Name.c_str(), "whatsnew.txt");
         EXPECT_EQ(p.Launch.EntryNumber, 6);
       }},
      {"launch without a number: the reader strips the quotes", "Launch=\"setup.txt\"\n", true,
       [](const Project& p) { EXPECT_EQ(p.Launch.EntryNumber, -1); }},
      {"launch without quotes", "Launch=setup.txt,4\n", true,
       [](const Project& p) { EXPECT_EQ(p.Launch.EntryNumber, -1); }},
      {"launch with a bad number keeps the name", "Launch=\"a.txt\",x\n", true,
       [](const Project& p) {
         EXPECT_STREQ(p.Launch.Name.c_str(), "a.txt");
         EXPECT_EQ(p.Launch.EntryNumber, -1);
       }},
      {"EULA with one number", "EULA=0\n", false, nullptr},
      {"EULA with a bad second number", "EULA=0,x\n", false, nullptr},
      {"EULA 0,-1 means none", "EULA=0,-1\n", true,
       [](const Project& p) { EXPECT_EQ(p.Eula.Index, -1); }},
      {"Readme absent means none", "EULA=2,3\n", true,
       [](const Project& p) {
         EXPECT_EQ(p.Readme.Index, -1);
         EXPECT_EQ(p.Eula.Section, 2);
         EXPECT_EQ(p.Eula.Index, 3);
       }},
      {"Readme with a stray character", "Readme=0,0x\n", false, nullptr},
      {"Multicomp takes the leading digits", "Multicomp=1\n", true,
       [](const Project& p) { EXPECT_EQ(p.Multicomp, 1); }},
      {"title of 100 characters is cut to 79", "Title=" + Repeat('t', 100) + "\n", true,
       [](const Project& p) { EXPECT_EQ(p.Title.size(), 79u); }},
      {"numbers wider than 32 bits keep their low 32 bits", "[Palm]\nFile1=\"a\",4294967298\n",
       true, [](const Project& p) { EXPECT_EQ(p.HandheldFiles.At(0)->EntryNumber, 2); }},
  };
  for (const SyntaxCase& c : cases) {
    SCOPED_TRACE(c.name);
    ReleaseProject(&project);
    InitProject(&project);
    // The title case replaces Title: a later key of the same name in the section would
    // not be read, so it goes first.
    std::string text =
        c.tail.rfind("Title=", 0) == 0 ? "[Project]\n" + c.tail : "[Project]\nTitle=T\n" + c.tail;
    EXPECT_EQ(Load(text), c.loads);
    if (c.check) c.check(project);
  }
}

TEST_F(ProjectLoaderTest, AFileWithoutTitleFailsBeforeReadingAnything) {
  EXPECT_FALSE(Load("[Project]\nVersion=1\n[Palm]\nFile1=\"a.prc\",2\n"));
  EXPECT_TRUE(project.Version.empty());
  EXPECT_EQ(project.HandheldFiles.count, 0);
  EXPECT_STREQ(fault.key.c_str(), "Title");

  // A missing file reads as empty, so it fails the same way.
  EXPECT_FALSE(LoadProject(&project, EntryPath(9).c_str(), true, nullptr));
}

TEST_F(ProjectLoaderTest, ABadKindFailsAfterTheEarlierListsAndTheFileItself) {
  EXPECT_FALSE(Load(Edited(kSamplePlanner, "[System]\nFolder0=\"\",\n",
                           "[System]\nFolder0=\"\",\nFile0=\"x.dll\",0,6,7,2,0,\n")));
  EXPECT_EQ(project.HandheldFiles.count, 2);
  EXPECT_EQ(project.Files[Application].count, 2);
  EXPECT_EQ(project.Folders[System].count, 1);
  ASSERT_EQ(project.Files[System].count, 1) << "the bad file is appended before it fails";
  EXPECT_EQ(project.Files[System].At(0)->Kind, 7);
  EXPECT_EQ(project.Folders[Conduit].count, 0) << "the Conduit section is never reached";
  EXPECT_EQ(project.Eula.Index, -1);
  EXPECT_STREQ(fault.section.c_str(), "System");
  EXPECT_STREQ(fault.key.c_str(), "File0");
}

TEST_F(ProjectLoaderTest, AFaultSaysWhereAndWhatWasExpected) {
  EXPECT_FALSE(Load("[Project]\nTitle=T\n[Application]\nFile0=\"license.txt\",1,5,0,X,0,\n"));
  EXPECT_EQ(fault.path.c_str(), kRootPath);
  EXPECT_STREQ(fault.section.c_str(), "Application");
  EXPECT_STREQ(fault.key.c_str(), "File0");
  EXPECT_STREQ(fault.value.c_str(), "\"license.txt\",1,5,0,X,0,");
  EXPECT_EQ(fault.offset, 20u);
  EXPECT_NE(std::strstr(fault.expected, "number"), nullptr) << fault.expected;

  EXPECT_FALSE(Load("[Project]\nTitle=T\n[Palm]\nFile1=\"a.prc 2\n"));
  EXPECT_STREQ(fault.expected, "a closing double quote");
  EXPECT_EQ(fault.offset, 0u);
}

TEST_F(ProjectLoaderTest, ReloadingReplacesEveryListAndResetsTheReferences) {
  ASSERT_TRUE(Load(Edited(kSamplePlanner, "Launch=\"\",-1", "Launch=\"a.txt\",6")));
  ASSERT_EQ(project.Launch.EntryNumber, 6);
  ASSERT_TRUE(Load("[Project]\nTitle=Other\n[Palm]\nFile1=\"o.prc\",2\n"));
  EXPECT_STREQ(project.Title.c_str(), "Other");
  EXPECT_TRUE(project.Version.empty());
  EXPECT_EQ(project.Launch.EntryNumber, -1);
  EXPECT_EQ(project.Readme.Index, -1);
  EXPECT_EQ(project.Eula.Index, -1);
  ASSERT_EQ(project.HandheldFiles.count, 1);
  EXPECT_STREQ(project.HandheldFiles.At(0)->Name.c_str(), "o.prc");
  for (int s = 0; s < kFileSectionCount; ++s) {
    EXPECT_EQ(project.Files[s].count, 0);
    EXPECT_EQ(project.Folders[s].count, 0);
  }
}

// ---- components ---------------------------------------------------------------------------

const char kContainer[] =
    "[Project]\nTitle=Suite\nMulticomp=1\n"
    "Component1=\"planner.ini\",2,1,1\n"
    "Component2=\"tides.ini\",3,0,0\n"
    "[Palm]\nFile1=\"suite.prc\",4\n";

TEST_F(ProjectLoaderTest, LoadsSubProjectsDepthFirst) {
  WriteEntry(2,
             "[Project]\nTitle=Planner\nMulticomp=1\nComponent1=\"extra.ini\",5,1,0\n"
             "[Palm]\nFile1=\"p.prc\",6\n");
  WriteEntry(3, "[Project]\nTitle=Tides\n[Application]\nFile0=\"t.txt\",0,7,0,2,1,\n");
  WriteEntry(5, "[Project]\nTitle=Extra\n[Palm]\nFile1=\"x.prc\",8\nFile2=\"y.pdb\",9\n");
  ASSERT_TRUE(Load(kContainer));
  ASSERT_EQ(project.Components.count, 2);
  const Component* tides = project.Components.At(1);
  EXPECT_STREQ(tides->SourceName.c_str(), "tides.ini");
  EXPECT_EQ(tides->EntryNumber, 3);
  EXPECT_EQ(tides->UseMainFolders, 0);
  EXPECT_EQ(tides->Selected, 0);
  EXPECT_STREQ(tides->SubProject->Title.c_str(), "Tides");
  const Project* planner = project.Components.At(0)->SubProject;
  EXPECT_STREQ(planner->Components.At(0)->SubProject->Title.c_str(), "Extra");
  EXPECT_EQ(planner->Components.At(0)->SubProject->HandheldFiles.count, 2);
}

TEST_F(ProjectLoaderTest, WithoutRecursionTheSubProjectsStayEmpty) {
  ASSERT_TRUE(Load(kContainer, /*recursive=*/false));
  ASSERT_EQ(project.Components.count, 2);
  EXPECT_TRUE(project.Components.At(0)->SubProject->Title.empty());
  EXPECT_EQ(project.HandheldFiles.count, 1);
}

TEST_F(ProjectLoaderTest, AnInvalidSubProjectFailsBeforeTheParentsListsAreRead) {
  WriteEntry(2, "[Project]\nTitle=Planner\n");
  WriteEntry(3, "[Project]\nTitle=Tides\n[Palm]\nFile1=\"t.prc\"\n");  // no entry number
  // The parent's own Palm section is broken too, further on; the sub-project fails first.
  EXPECT_FALSE(Load(std::string(kContainer) + "File2=\"bad\n"));
  EXPECT_EQ(project.Components.count, 2);
  EXPECT_EQ(project.HandheldFiles.count, 0);
  EXPECT_EQ(fault.path.c_str(), EntryPath(3));
  EXPECT_STREQ(fault.section.c_str(), "Palm");
}

TEST_F(ProjectLoaderTest, SubProjectsAreValidatedOutsideComponentModeToo) {
  EXPECT_FALSE(Load("[Project]\nTitle=T\nMulticomp=0\nComponent1=\"gone.ini\",2,1,1\n"));
  EXPECT_EQ(fault.path.c_str(), EntryPath(2)) << "the missing sub-project has no Title";
  EXPECT_STREQ(fault.key.c_str(), "Title");
}

TEST_F(ProjectLoaderTest, ChainsThatLeadBackToAFileOnTheirOwnPathFail) {
  // Root -> itself.
  EXPECT_FALSE(Load("[Project]\nTitle=Loop\nComponent1=\"self.ini\",1,1,1\n"));
  EXPECT_STREQ(fault.key.c_str(), "Component1");
  EXPECT_EQ(fault.path.c_str(), kRootPath);
  EXPECT_NE(std::strstr(fault.expected, "already being loaded"), nullptr) << fault.expected;

  // Root -> 2 -> 3 -> 2; the same entry twice side by side is no cycle.
  WriteEntry(2, "[Project]\nTitle=A\nComponent1=\"b\",3,1,1\n");
  WriteEntry(3, "[Project]\nTitle=B\nComponent1=\"a\",2,1,1\n");
  EXPECT_FALSE(Load("[Project]\nTitle=Root\nComponent1=\"a\",2,1,1\n"));
  EXPECT_EQ(fault.path.c_str(), EntryPath(3));
  EXPECT_NE(std::strstr(fault.expected, "already being loaded"), nullptr) << fault.expected;
  WriteEntry(3, "[Project]\nTitle=B\n");
  EXPECT_TRUE(
      Load("[Project]\nTitle=Root\nComponent1=\"a\",2,1,1\nComponent2=\"b\",3,1,1\n"
           "Component3=\"b again\",3,1,1\n"));
}

// Entry 2 .. 2+levels-1, each the one component of the one before.
void WriteChain(int levels) {
  for (int i = 0; i < levels; ++i) {
    std::string text = "[Project]\nTitle=Level" + std::to_string(i + 1) + "\n";
    if (i + 1 < levels) text += "Component1=\"c\"," + std::to_string(i + 3) + ",1,1\n";
    WriteEntry(i + 2, text);
  }
}

TEST_F(ProjectLoaderTest, NestingStopsAtTheDepthLimit) {
  WriteChain(kMaxProjectDepth);
  EXPECT_TRUE(Load("[Project]\nTitle=Root\nComponent1=\"c\",2,1,1\n"));
  WriteChain(kMaxProjectDepth + 1);
  EXPECT_FALSE(Load("[Project]\nTitle=Root\nComponent1=\"c\",2,1,1\n"));
  EXPECT_NE(std::strstr(fault.expected, "nested"), nullptr) << fault.expected;
}

TEST_F(ProjectLoaderTest, AWideTreeStopsAtTheFileLimit) {
  // Every level lists the next one ten times: 10^8 files unless something stops it.
  std::string tens;
  for (int level = 0; level < kMaxProjectDepth; ++level) {
    std::string text = "[Project]\nTitle=L\n";
    if (level + 1 < kMaxProjectDepth) {
      for (int n = 1; n <= 10; ++n) {
        text += "Component" + std::to_string(n) + "=\"c\"," + std::to_string(level + 3) + ",1,1\n";
      }
    }
    WriteEntry(level + 2, text);
  }
  EXPECT_FALSE(Load("[Project]\nTitle=Root\nComponent1=\"c\",2,1,1\n"));
  EXPECT_NE(std::strstr(fault.expected, "project files"), nullptr) << fault.expected;
}

TEST_F(ProjectLoaderTest, RunningOutOfMemoryFailsTheLoadAndLeaksNothing) {
  WriteEntry(2, "[Project]\nTitle=Planner\n[Palm]\nFile1=\"p.prc\",6\n");
  WriteEntry(3, "[Project]\nTitle=Tides\n");
  WriteEntry(1, std::string(kContainer) + "[Application]\nFolder0=\"\",\nFile0=\"a\",0,2,0,2,0,\n");
  ASSERT_TRUE(LoadProject(&project, kRootPath.c_str(), true, nullptr));
  ReleaseProject(&project);
  int allocations = sim::TheWorld().CallCount(sim::Op::kAllocateMemory);
  ASSERT_GT(allocations, 0);
  for (int nth = 1; nth <= allocations; ++nth) {
    SCOPED_TRACE(nth);
    sim::Reset();
    WriteEntry(2, "[Project]\nTitle=Planner\n[Palm]\nFile1=\"p.prc\",6\n");
    WriteEntry(3, "[Project]\nTitle=Tides\n");
    WriteEntry(1,
               std::string(kContainer) + "[Application]\nFolder0=\"\",\nFile0=\"a\",0,2,0,2,0,\n");
    sim::TheWorld().FailCall(sim::Op::kAllocateMemory, nth);
    InitProject(&project);
    EXPECT_FALSE(LoadProject(&project, kRootPath.c_str(), true, &fault));
    EXPECT_STREQ(fault.expected, "memory for one more list element");
    ReleaseProject(&project);
    EXPECT_EQ(sim::TheWorld().LiveAllocationCount(), 0u);
  }
}

// ---- the model's look-ups and walks ---------------------------------------------------------

TEST_F(ProjectLoaderTest, LookUpsAnswerNothingOutsideTheLists) {
  ASSERT_TRUE(Load(kSamplePlanner));
  EXPECT_NE(DesktopFileAt(project, Application, 1), nullptr);
  EXPECT_EQ(DesktopFileAt(project, Application, 2), nullptr);
  EXPECT_EQ(DesktopFileAt(project, Application, -1), nullptr);
  EXPECT_EQ(DesktopFileAt(project, 3, 0), nullptr);
  EXPECT_EQ(DesktopFileAt(project, -1, 0), nullptr);
  EXPECT_EQ(FolderAt(project, System, 1), nullptr);
  EXPECT_EQ(FoldersOf(project, 7), nullptr);
  EXPECT_EQ(ReferencedFile(project, FileRef{5, Application}), nullptr);
  EXPECT_EQ(ReferencedFile(project, FileRef{0, 9}), nullptr);
}

// Builds a component with the given flags whose sub-project has `handheld` handheld files and
// `application` Application files; returns the sub-project.
Project* AddPart(Project* parent, int32_t selected, int handheld, int application,
                 int32_t multicomp = 0) {
  EXPECT_TRUE(AddComponent(parent, "part.ini", 2, 1, selected));
  Project* sub = parent->Components.At(parent->Components.count - 1)->SubProject;
  sub->Multicomp = multicomp;
  for (int i = 0; i < handheld; ++i) AddHandheldFile(sub, "h.prc", 3);
  for (int i = 0; i < application; ++i) AddDesktopFile(sub, Application, "a.txt", 0, 4, 0, 2, 0);
  return sub;
}

TEST_F(ProjectLoaderTest, Walks) {
  struct Case {
    const char* name;
    std::function<void(Project*)> build;
    int32_t handheldCount;
    bool hasApplicationFiles;
  } cases[] = {
      {"outside component mode only the own files count, selected components or not",
       [](Project* p) {
         AddHandheldFile(p, "own.prc", 2);
         AddPart(p, 1, 3, 1);
       },
       1, false},
      {"outside component mode the own Application files decide",
       [](Project* p) { AddDesktopFile(p, Application, "a.txt", 0, 2, 0, 2, 0); }, 0, true},
      {"files in System or Conduit are no application files",
       [](Project* p) {
         AddDesktopFile(p, System, "s.dll", 0, 2, 0, 2, 0);
         AddDesktopFile(p, Conduit, "c.dll", 0, 3, 0, 2, 0);
       },
       0, false},
      {"a container's own files are not counted",
       [](Project* p) {
         p->Multicomp = 1;
         AddHandheldFile(p, "own.prc", 2);
         AddDesktopFile(p, Application, "a.txt", 0, 2, 0, 2, 0);
         AddPart(p, 1, 0, 0);
       },
       0, false},
      {"an unselected component counts its handheld files but not its application files",
       [](Project* p) {
         p->Multicomp = 1;
         AddPart(p, 0, 3, 2);
       },
       3, false},
      {"a selected component's application files count",
       [](Project* p) {
         p->Multicomp = 1;
         AddPart(p, 0, 1, 2);
         AddPart(p, 1, 2, 1);
       },
       3, true},
      {"nested containers are searched; below an unselected one nothing is",
       [](Project* p) {
         p->Multicomp = 1;
         Project* inner = AddPart(p, 1, 5, 0, /*multicomp=*/1);
         AddPart(inner, 1, 2, 1);
         Project* off = AddPart(p, 0, 0, 0, /*multicomp=*/1);
         AddPart(off, 1, 4, 1);
       },
       6, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Project tree;
    InitProject(&tree);
    c.build(&tree);
    EXPECT_EQ(CountHandheldFiles(tree), c.handheldCount);
    EXPECT_EQ(HasApplicationFiles(tree), c.hasApplicationFiles);
    ReleaseProject(&tree);
  }
}

}  // namespace
