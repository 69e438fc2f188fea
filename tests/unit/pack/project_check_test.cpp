// The project check on small projects: what the engine's loader refuses, said where it
// happens, and the warnings for what the loader does not look at.
#include "tools/pack/project_check.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/sim/world.h"

namespace {

using Bytes = std::vector<uint8_t>;
using pack::CheckResult;
using pack::Finding;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Lines joined with CR LF, as project files are written.
std::string Ini(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// A product with two handheld files and, in a sub-folder, a read-me and a licence:
// entries 2 planner.prc, 3 plandata.pdb, 4 readme.txt, 5 license.txt.
const std::string kPlanner = Ini({
    "[Project]",
    "Title=Sample Planner",
    "Version=2.0",
    "Company=Sample Software",
    "Launch=\"\",-1",
    "Multicomp=0",
    "Readme=0,0",
    "EULA=0,1",
    "[Palm]",
    "File1=\"planner.prc\",2",
    "File2=\"plandata.pdb\",3",
    "[Application]",
    "Folder0=\"\",",
    "Folder1=\"Docs\",",
    "File0=\"readme.txt\",1,4,0,2,1,",
    "File1=\"license.txt\",1,5,0,2,0,",
    "[System]",
    "Folder0=\"\",",
    "[Conduit]",
    "Folder0=\"\",",
});

// A sub-project that uses entry 6 for its one handheld file.
const std::string kTides = Ini({
    "[Project]",
    "Title=Sample Tides",
    "[Palm]",
    "File1=\"tides.pdb\",6",
});

// The text with the first occurrence of each `from` replaced; a `from` that is not there is
// a mistake in the test.
std::string With(std::string text, const std::vector<std::pair<std::string, std::string>>& edits) {
  for (const auto& [from, to] : edits) {
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "fixture has no '" << from << "'";
    if (at != std::string::npos) text.replace(at, from.size(), to);
  }
  return text;
}

// A package: the project file and the data entries 2.. with their names and contents.
struct Package {
  std::string project;
  std::vector<std::pair<std::string, std::string>> data;
};

Package Planner(std::string project = kPlanner) {
  return Package{std::move(project),
                 {{"planner.prc", "PRC planner"},
                  {"plandata.pdb", "PDB data"},
                  {"readme.txt", "read me"},
                  {"license.txt", "licence text"}}};
}

CheckResult Check(const Package& package) {
  Bytes project = Text(package.project);
  std::vector<Bytes> contents;
  for (const auto& [name, content] : package.data) contents.push_back(Text(content));
  std::vector<pack::CheckedFile> data;
  for (size_t i = 0; i < contents.size(); ++i) data.push_back({package.data[i].first, contents[i]});
  return pack::CheckProject({"project.ini", project}, data);
}

std::string Describe(const CheckResult& result) {
  std::string text;
  for (const Finding& finding : result.findings) text += "  " + pack::FormatFinding(finding) + "\n";
  return text;
}

// What a test expects of one finding: its file and place exactly, the message in part.
struct Expected {
  std::string file;
  std::string where;
  std::string message;
  bool dangling;
};

void ExpectFindings(const CheckResult& result, Finding::Severity severity,
                    const std::vector<Expected>& expected) {
  ASSERT_EQ(result.findings.size(), expected.size()) << Describe(result);
  for (size_t i = 0; i < expected.size(); ++i) {
    const Finding& finding = result.findings[i];
    SCOPED_TRACE(pack::FormatFinding(finding));
    EXPECT_EQ(finding.severity, severity);
    EXPECT_EQ(finding.file, expected[i].file);
    EXPECT_EQ(finding.where, expected[i].where);
    EXPECT_NE(finding.message.find(expected[i].message), std::string::npos);
    EXPECT_EQ(finding.dangling, expected[i].dangling);
  }
}

TEST(ProjectCheckTest, AGoodProjectAndTreeLoadWithoutFindings) {
  CheckResult single = Check(Planner());
  EXPECT_TRUE(single.loads);
  EXPECT_EQ(single.projectFiles, 1);
  EXPECT_TRUE(single.findings.empty()) << Describe(single);
  // The loaded project was released and every file the loader opened was closed.
  EXPECT_EQ(sim::TheWorld().LiveAllocationCount(), 0u);
  EXPECT_EQ(sim::TheWorld().OpenHandleCount(), 0u);

  // A container of two components sharing one sub-project; the sub-project's entry counts as
  // named, and so does the one its own file names.
  Package suite = Planner(With(kPlanner, {{"Multicomp=0",
                                           "Multicomp=1\r\n"
                                           "Component1=\"tides.ini\",7,1,1\r\n"
                                           "Component2=\"tides again\",7,0,0"}}));
  suite.data.push_back({"tides.pdb", "PDB tides"});
  suite.data.push_back({"tides.ini", kTides});
  CheckResult tree = Check(suite);
  EXPECT_TRUE(tree.loads);
  EXPECT_EQ(tree.projectFiles, 2);
  EXPECT_TRUE(tree.findings.empty()) << Describe(tree);
  EXPECT_EQ(sim::TheWorld().LiveAllocationCount(), 0u);
}

TEST(ProjectCheckTest, WhatTheEngineRefusesIsReportedWhereItHappens) {
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> edits;
    Expected error;
  };
  const Case cases[] = {
      {"no title",
       {{"Title=Sample Planner\r\n", ""}},
       {"project.ini", "[Project] Title", "(empty): expected a project file with a Title", false}},
      {"stray character in a number",
       {{"File1=\"license.txt\",1,5,0,2,0,", "File1=\"license.txt\",1,5,0,X,"}},
       {"project.ini", "[Application] File1",
        "\"license.txt\",1,5,0,X,: expected a number (digits, optionally after \"-\") at "
        "character 21",
        false}},
      {"no closing quote",
       {{"File1=\"planner.prc\",2", "File1=\"planner.prc,2"}},
       {"project.ini", "[Palm] File1",
        "\"planner.prc,2: expected a closing double quote at character 1", false}},
      {"a folder without its comma loses its quotes",
       {{"Folder1=\"Docs\",", "Folder1=\"Docs\""}},
       {"project.ini", "[Application] Folder1",
        "Docs: expected a string in double quotes at character 1", false}},
      {"a kind the engine does not know",
       {{"[System]\r\nFolder0=\"\",",
         "[System]\r\nFolder0=\"\",\r\nFile0=\"plcore.dll\",0,4,7,2,0,"}},
       {"project.ini", "[System] File0", "expected Kind 0 (plain), 1 (HotSync conduit) or 2",
        false}},
      {"a licence reference with one number",
       {{"EULA=0,1", "EULA=0"}},
       {"project.ini", "[Project] EULA",
        "0: expected a comma before the next field at the end of the value", false}},
      {"a component without its entry number",
       {{"Multicomp=0", "Multicomp=1\r\nComponent1=\"tides.ini\",,1,1"}},
       {"project.ini", "[Project] Component1", "\"tides.ini\",,1,1: expected a number", false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CheckResult result = Check(Planner(With(kPlanner, c.edits)));
    EXPECT_FALSE(result.loads);
    ExpectFindings(result, Finding::Severity::kError, {c.error});
    EXPECT_EQ(sim::TheWorld().LiveAllocationCount(), 0u);
  }
}

TEST(ProjectCheckTest, FaultsInASubProjectNameItsFile) {
  struct Case {
    const char* name;
    std::string tides;
    Expected error;
  };
  const Case cases[] = {
      {"syntax",
       With(kTides, {{"File1=\"tides.pdb\",6", "File1=\"tides.pdb\" 6"}}),
       {"tides.ini", "[Palm] File1",
        "\"tides.pdb\" 6: expected a comma before the next field at character 13", false}},
      {"an empty file", "", {"tides.ini", "[Project] Title", "(empty)", false}},
      // The loader reports the path it formed; the producer sees the value and what it names.
      {"a component that leads back to the root",
       With(kTides, {{"Title=Sample Tides", "Title=Sample Tides\r\nComponent1=\"back\",1,1,1"}}),
       {"tides.ini", "[Project] Component1",
        "\"back\",1,1,1: expected a sub-project that is not already being loaded above it (it "
        "names entry 1, project.ini)",
        false}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Package suite =
        Planner(With(kPlanner, {{"Multicomp=0", "Multicomp=1\r\nComponent1=\"tides.ini\",7,1,1"}}));
    suite.data.push_back({"tides.pdb", "PDB tides"});
    suite.data.push_back({"tides.ini", c.tides});
    CheckResult result = Check(suite);
    EXPECT_FALSE(result.loads);
    ExpectFindings(result, Finding::Severity::kError, {c.error});
  }
}

TEST(ProjectCheckTest, AMissingSubProjectIsNamedByItsComponent) {
  struct Case {
    const char* name;
    std::string components;  // the root's Component keys
    std::string tides;       // entry 7
    Expected error;
  };
  const Case cases[] = {
      {"beyond the package",
       "Component1=\"tides.ini\",9,0,0",
       kTides,
       {"project.ini", "[Project] Component1",
        "\"tides.ini\",9,0,0: its sub-project file, entry 9, is not in the package", true}},
      // The first component loads; the second one's file is missing.
      {"after one that loads",
       "Component1=\"tides.ini\",7,1,1\r\nComponent2=\"gone.ini\",8,1,1",
       kTides,
       {"project.ini", "[Project] Component2", "entry 8, is not in the package", true}},
      {"the engine's entry",
       "Component1=\"engine\",0,1,1",
       kTides,
       {"project.ini", "[Project] Component1",
        "entry 0, is not in the package (entry 0 is the engine", true}},
      {"named by a sub-project",
       "Component1=\"tides.ini\",7,1,1",
       With(kTides,
            {{"Title=Sample Tides", "Title=Sample Tides\r\nComponent1=\"deeper.ini\",-3,1,1"}}),
       {"tides.ini", "[Project] Component1",
        "\"deeper.ini\",-3,1,1: its sub-project file, entry -3, is not in the package", true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Package suite = Planner(With(kPlanner, {{"Multicomp=0", "Multicomp=1\r\n" + c.components}}));
    suite.data.push_back({"tides.pdb", "PDB tides"});
    suite.data.push_back({"tides.ini", c.tides});
    CheckResult result = Check(suite);
    EXPECT_FALSE(result.loads);
    ExpectFindings(result, Finding::Severity::kError, {c.error});
  }
}

TEST(ProjectCheckTest, WarningsForWhatTheLoaderDoesNotCheck) {
  const std::string longName(259, 'n');
  const std::string longestUncut(258, 'n');
  struct Case {
    const char* name;
    std::vector<std::pair<std::string, std::string>> edits;
    std::vector<Expected> warnings;
    const char* licence = "licence text";
  };
  const Case cases[] = {
      {"handheld file's entry missing",
       {{"File2=\"plandata.pdb\",3", "File2=\"plandata.pdb\",9"}},
       {{"project.ini", "[Palm] File2 \"plandata.pdb\"",
         "entry 9 is not in the package (it has entries 2 to 5)", true},
        {"plandata.pdb", "", "entry 3 is named by no project file", false}}},
      {"desktop file naming the engine's entry",
       {{"File0=\"readme.txt\",1,4,", "File0=\"readme.txt\",1,0,"}},
       {{"project.ini", "[Application] File0 \"readme.txt\"",
         "entry 0 is not in the package (entry 0 is the engine", true},
        {"readme.txt", "", "entry 4 is named by no project file", false}}},
      {"launch file's entry missing",
       {{"Launch=\"\",-1", "Launch=\"start.txt\",12"}},
       {{"project.ini", "[Project] Launch \"start.txt\"", "entry 12 is not in the package", true}}},
      {"launch file present", {{"Launch=\"\",-1", "Launch=\"readme.txt\",4"}}, {}},
      {"folder index past the folders",
       {{"File1=\"license.txt\",1,", "File1=\"license.txt\",2,"}},
       {{"project.ini", "[Application] File1 \"license.txt\"",
         "folder 2 is not in the section, which has only Folder0 to Folder1", true}}},
      {"negative folder index",
       {{"File0=\"readme.txt\",1,", "File0=\"readme.txt\",-1,"}},
       {{"project.ini", "[Application] File0 \"readme.txt\"", "folder -1 is not in the section",
         true}}},
      {"a section without folders",
       {{"[Conduit]\r\nFolder0=\"\",", "[Conduit]\r\nFile0=\"plsync.dll\",0,4,0,2,0,"}},
       {{"project.ini", "[Conduit] File0 \"plsync.dll\"",
         "folder 0 is not in the section, which has no folders", true}}},
      {"licence names a file past the list",
       {{"EULA=0,1", "EULA=0,2"}},
       {{"project.ini", "[Project] EULA",
         "names Application file 2, but the section has only File0 to File1", true}}},
      {"read-me names a section that does not exist",
       {{"Readme=0,0", "Readme=3,0"}},
       {{"project.ini", "[Project] Readme",
         "names file 0 of section 3, but sections are 0 (Application)", true}}},
      {"no read-me and no licence", {{"Readme=0,0", "Readme=0,-1"}, {"EULA=0,1", "EULA=1,-5"}}, {}},
      {"read-me in the System section",
       {{"Readme=0,0", "Readme=1,0"},
        {"[System]\r\nFolder0=\"\",",
         "[System]\r\nFolder0=\"\",\r\nFile0=\"notes.txt\",0,4,0,2,0,"}},
       {{"project.ini", "[Project] Readme",
         "names a System file, \"notes.txt\": only Application files are copied", false}}},
      {"empty licence",
       {},
       {{"project.ini", "[Project] EULA",
         "the licence file \"license.txt\" (entry 5, license.txt) is empty", false}},
       ""},
      {"copy modes outside 0..3",
       {{"File0=\"readme.txt\",1,4,0,2,", "File0=\"readme.txt\",1,4,0,4,"},
        {"File1=\"license.txt\",1,5,0,2,", "File1=\"license.txt\",1,5,0,-1,"}},
       {{"project.ini", "[Application] File0 \"readme.txt\"", "copy mode 4 is not 0 to 3", false},
        {"project.ini", "[Application] File1 \"license.txt\"", "copy mode -1 is not 0 to 3",
         false}}},
      {"copy modes 0 and 3",
       {{"File0=\"readme.txt\",1,4,0,2,", "File0=\"readme.txt\",1,4,0,0,"},
        {"File1=\"license.txt\",1,5,0,2,", "File1=\"license.txt\",1,5,0,3,"}},
       {}},
      {"names with a directory part",
       {{"\"planner.prc\"", "\"apps\\planner.prc\""},
        {"\"plandata.pdb\"", "\"C:plandata.pdb\""},
        {"\"Docs\"", "\"Docs/More\""},
        {"\"readme.txt\"", "\"..\""}},
       {{"project.ini", "[Palm] File1 \"apps\\planner.prc\"", "the name has a directory part",
         false},
        {"project.ini", "[Palm] File2 \"C:plandata.pdb\"", "the name has a directory part", false},
        {"project.ini", "[Application] Folder1 \"Docs/More\"", "the name has a directory part",
         false},
        {"project.ini", "[Application] File0 \"..\"", "stands for a directory", false}}},
      {"names that may have been cut",
       {{"\"planner.prc\"", "\"" + longName + "\""},
        {"\"Docs\"", "\"" + longName + "x\""},
        {"\"plandata.pdb\"", "\"" + longestUncut + "\""}},
       {{"project.ini", "[Palm] File1 \"" + longName + "\"", "may have been cut", false},
        {"project.ini", "[Application] Folder1 \"" + longName + "\"", "may have been cut", false}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Package package = Planner(With(kPlanner, c.edits));
    package.data[3].second = c.licence;
    CheckResult result = Check(package);
    EXPECT_TRUE(result.loads) << Describe(result);
    ExpectFindings(result, Finding::Severity::kWarning, c.warnings);
  }
}

TEST(ProjectCheckTest, EveryProjectFileOfTheTreeIsCheckedAndUnnamedEntriesReported) {
  // A sub-project of a project that is not a container is still loaded, and checked.
  Package package =
      Planner(With(kPlanner, {{"Multicomp=0", "Multicomp=0\r\nComponent1=\"tides.ini\",7,1,1"}}));
  package.data.push_back({"tides.pdb", "PDB tides"});
  package.data.push_back(
      {"tides.ini",
       With(kTides, {{"File1=\"tides.pdb\",6", "File1=\"tides.pdb\",10\r\nFile2=\"x/y.pdb\",6"}})});
  package.data.push_back({"extra.bin", "nobody names this"});
  CheckResult result = Check(package);
  EXPECT_TRUE(result.loads);
  EXPECT_EQ(result.projectFiles, 2);
  ExpectFindings(result, Finding::Severity::kWarning,
                 {{"tides.ini", "[Palm] File1 \"tides.pdb\"",
                   "entry 10 is not in the package (it has entries 2 to 8)", true},
                  {"tides.ini", "[Palm] File2 \"x/y.pdb\"", "directory part", false},
                  {"extra.bin", "", "entry 8 is named by no project file", false}});
  EXPECT_TRUE(result.HasDanglingReference());
  EXPECT_EQ(result.WarningCount(), 3);
}

}  // namespace
