// The INI reader of the simulated Windows reads as Wine's GetPrivateProfileStringA and
// GetPrivateProfileIntA do. The expected values are what those calls return under Wine; the
// Wine test tests/win32/profile_diff.cpp holds the two readers side by side.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/sim/world.h"

namespace {

using namespace std::string_literals;

constexpr char kPath[] = "C:\\Setup\\Project.ini";
constexpr char kGuard = '\x5A';

void AddIni(const std::string& path, const std::string& bytes) {
  ASSERT_TRUE(sim::TheWorld().AddFile(path, std::vector<uint8_t>(bytes.begin(), bytes.end())));
}

struct Reading {
  uint32_t count;
  std::string text;
};

// Reads into a buffer of capacity followed by guard bytes, which must stay as they were, and
// checks that the count is where the terminator went.
Reading Read(const char* section, const char* key, const char* defaultText, uint32_t capacity = 520,
             const char* path = kPath) {
  std::vector<char> buffer(capacity + 8, kGuard);
  uint32_t count =
      platform::ReadProfileString(section, key, defaultText, buffer.data(), capacity, path);
  for (size_t i = capacity; i < buffer.size(); ++i) {
    EXPECT_EQ(buffer[i], kGuard) << "written past the buffer at " << i;
  }
  if (capacity == 0) return Reading{count, ""};
  EXPECT_LT(count, capacity);
  if (count >= capacity) return Reading{count, "<no terminator>"};
  EXPECT_EQ(buffer[count], '\0') << "the count is not where the text ends";
  return Reading{count, std::string(buffer.data(), count)};
}

class ProfileReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
};

// A project file with the shapes producers write and the slips they make.
const std::string kProject =
    "top=before any section\r\n"
    "[Project]\r\n"
    "Title=Planner Suite\r\n"
    "  Version  =  \t 2.1 beta \t \r\n"
    "Company=\"Quoted Co\"\r\n"
    "Single='single'\r\n"
    "Mixed=\"mixed'\r\n"
    "Lone=\"\r\n"
    "Empty=\r\n"
    "Blank=   \r\n"
    "Pair=\"\"\r\n"
    "Inner= \" in \" \r\n"
    "Inside=\"a\"b\"\r\n"
    "Equals=a=b=c\r\n"
    ";Comment=5\r\n"
    "#Hash=6\r\n"
    "NoEquals\r\n"
    "NoEquals=later\r\n"
    "Dup=first\r\n"
    "Dup=second\r\n"
    "Ctrl=\x0bv\x1a\x0c\r\n"
    "Nbsp=v\xa0\r\n"
    "Nul=v\0w\r\n"
    "Cut\0junk=x\r\n"
    "[PROJECT]\r\n"
    "Late=yes\r\n"
    "\t[ Files ]\t\n"
    "File1=readme.txt\n"
    "[Old Mac\r"
    "Mac=cr only\r"
    "[Trailing] junk\n"
    "k=3\n"
    "[a]b]\n"
    "k=6\n"
    "[\xe9]\n"
    "k=7"s;

TEST_F(ProfileReaderTest, ReadsValuesAsWineDoes) {
  AddIni(kPath, kProject);
  struct Case {
    const char* section;
    const char* key;
    std::string expected;
  };
  const Case cases[] = {
      {"Project", "Title", "Planner Suite"},
      {"PROJECT", "title", "Planner Suite"},
      {" project\t", "\x0bTITLE ", "Planner Suite"},  // the names asked for lose blanks too
      {"Project", "Version", "2.1 beta"},
      {"Project", "Company", "Quoted Co"},
      {"Project", "Single", "single"},
      {"Project", "Mixed", "\"mixed'"},
      {"Project", "Lone", "\""},
      {"Project", "Empty", ""},  // present, so not the default
      {"Project", "Blank", ""},
      {"Project", "Pair", ""},
      {"Project", "Inner", " in "},
      {"Project", "Inside", "a\"b"},
      {"Project", "Equals", "a=b=c"},
      {"Project", ";Comment", "5"},  // no comment lines: a key like any other
      {"Project", "#Hash", "6"},
      {"Project", "NoEquals", "dflt"},  // no value, and it hides the later one
      {"Project", "Dup", "first"},
      {"Project", "Ctrl", "v"},      // VT, FF and Ctrl-Z are blanks
      {"Project", "Nbsp", "v\xa0"},  // a no-break space is not
      {"Project", "Nul", "v"},
      {"Project", "Cut", "x"},
      {"Project", "Late", "dflt"},  // only the first section of a name counts
      {"Project", "top", "dflt"},
      {"", "top", "before any section"},
      {"", "Title", "dflt"},
      {"Files", "File1", "readme.txt"},
      {"Files", "Mac", "cr only"},  // "[Old Mac" is no section: a key without value
      {"Old Mac", "Mac", "dflt"},
      {"Trailing", "k", "3"},
      {"a]b", "k", "6"},  // the name runs to the last ']'
      {"a", "k", "dflt"},
      {"\xe9", "k", "7"},
      {"\xc9", "k", "dflt"},  // only ASCII letters match without case
      {"Missing", "Title", "dflt"},
      {"Project", "Missing", "dflt"},
  };
  for (const Case& c : cases) {
    Reading got = Read(c.section, c.key, "dflt");
    EXPECT_EQ(got.text, c.expected) << "[" << c.section << "] " << c.key;
    EXPECT_EQ(got.count, c.expected.size()) << "[" << c.section << "] " << c.key;
  }
}

TEST_F(ProfileReaderTest, AbsentValuesReadAsTheDefault) {
  AddIni(kPath, "[Project]\r\nTitle=Planner\r\n");
  ASSERT_TRUE(sim::TheWorld().AddDirectory("C:\\Setup\\Folder.ini"));
  struct Case {
    const char* defaultText;
    std::string opened;    // the file was read, or is only missing from its folder
    std::string unopened;  // the file could not be opened at all
  };
  // The default loses trailing spaces (down to one character); read from an opened file, one
  // pair of quotes as well.
  const Case cases[] = {
      {"dflt", "dflt", "dflt"}, {"dflt  ", "dflt", "dflt"}, {"  d\t ", "  d\t", "  d\t"},
      {"\"q\"", "q", "\"q\""},  {"\"q\" ", "q", "\"q\""},   {" \"q\"", " \"q\"", " \"q\""},
      {"'q'", "q", "'q'"},      {"\"q'", "\"q'", "\"q'"},   {"   ", " ", " "},
      {"\"", "\"", "\""},       {"\"\"", "", "\"\""},       {nullptr, "", ""},
  };
  struct Where {
    const char* section;
    const char* key;
    const char* path;
    bool opened;
  };
  const Where places[] = {
      {"Project", "Missing", kPath, true},
      {"Missing", "Title", kPath, true},
      {"Project", "Title", "C:\\Setup\\Absent.ini", true},
      {"Project", "Title", "C:\\Setup\\Folder.ini", false},
      {"Project", "Title", "C:\\NoFolder\\Project.ini", false},
  };
  for (const Case& c : cases) {
    for (const Where& where : places) {
      EXPECT_EQ(Read(where.section, where.key, c.defaultText, 520, where.path).text,
                where.opened ? c.opened : c.unopened)
          << (c.defaultText ? c.defaultText : "(null)") << " from " << where.path;
    }
  }
  // Quotes kept are cut like any text.
  EXPECT_EQ(Read("Project", "Title", "\"abcdef\"", 7, "C:\\Setup\\Folder.ini").text, "\"abcde");
  // The world's names compare without case, as the file system's do.
  EXPECT_EQ(Read("Project", "Title", "dflt", 520, "c:\\SETUP\\project.INI").text, "Planner");
}

TEST_F(ProfileReaderTest, CutsToTheCapacity) {
  const std::string x519(519, 'x'), y600(600, 'y');
  AddIni(kPath, "[S]\nplain=abcdef\nquoted=\"abcdef\"\nlong=" + x519 + "\nlonger=" + y600 + "\n" +
                    std::string(600, 'K') + "=long key\n");
  struct Case {
    const char* key;
    const char* defaultText;
    uint32_t capacity;
    std::string expected;
  };
  const Case cases[] = {
      {"plain", "", 1, ""},
      {"plain", "", 4, "abc"},
      {"plain", "", 6, "abcde"},
      {"plain", "", 7, "abcdef"},
      {"quoted", "", 4, "abc"},
      // With room for the text but not for its closing quote, one character more goes.
      {"quoted", "", 7, "abcde"},
      {"quoted", "", 8, "abcdef"},
      {"quoted", "", 9, "abcdef"},
      {"missing", "\"abcdef\"", 7, "abcde"},
      {"missing", "default", 3, "de"},
      {"long", "", 80, x519.substr(0, 79)},
      {"long", "", 519, x519.substr(0, 518)},
      {"long", "", 520, x519},
      {"longer", "", 520, y600.substr(0, 519)},
      {"longer", "", 700, y600},
  };
  for (const Case& c : cases) {
    Reading got = Read("S", c.key, c.defaultText, c.capacity);
    EXPECT_EQ(got.text, c.expected) << c.key << " in " << c.capacity;
    EXPECT_EQ(got.count, c.expected.size()) << c.key << " in " << c.capacity;
  }
  EXPECT_EQ(Read("S", std::string(600, 'k').c_str(), "", 80).text, "long key");
  // No room at all: nothing is stored.
  EXPECT_EQ(Read("S", "plain", "", 0).count, 0u);
}

TEST_F(ProfileReaderTest, FailedOrRefusedReadsReadAsAbsent) {
  AddIni(kPath, "[Project]\r\nTitle=Planner\r\nMulticomp=1\r\n");
  sim::World& world = sim::TheWorld();
  // A failed read is a missing file: the default loses its quotes.
  world.FailCall(sim::Op::kReadProfileString, 2);
  EXPECT_EQ(Read("Project", "Title", "\"dflt\"").text, "Planner");
  EXPECT_EQ(Read("Project", "Title", "\"dflt\"").text, "dflt");
  EXPECT_EQ(Read("Project", "Title", "\"dflt\"").text, "Planner");
  EXPECT_EQ(world.CallCount(sim::Op::kReadProfileString), 3);

  world.FailOnPath(sim::Op::kReadProfileInt, "c:\\setup\\project.ini");
  EXPECT_EQ(platform::ReadProfileInt("Project", "Multicomp", 7, kPath), 7u);
  EXPECT_EQ(Read("Project", "Title", "dflt").text, "Planner");  // only the int reads fail

  // The file is opened with reading and writing shared: one held without sharing reading
  // cannot be opened, and the default keeps its quotes.
  platform::Handle reader = platform::OpenInputFile(kPath);
  EXPECT_EQ(Read("Project", "Title", "dflt").text, "Planner");
  platform::CloseFile(reader);
  platform::Handle writer = platform::CreateOutputFile("C:\\Setup\\Other.ini");
  const char text[] = "[Project]\r\nTitle=Other\r\n";
  uint32_t written = 0;
  ASSERT_TRUE(platform::WriteBytes(writer, text, sizeof text - 1, &written));
  EXPECT_EQ(Read("Project", "Title", "\"dflt\"", 520, "C:\\Setup\\Other.ini").text, "\"dflt\"");
  EXPECT_EQ(platform::ReadProfileInt("Project", "Title", 7, "C:\\Setup\\Other.ini"), 7u);
  platform::CloseFile(writer);
  EXPECT_EQ(Read("Project", "Title", "dflt", 520, "C:\\Setup\\Other.ini").text, "Other");
  world.Find(kPath)->heldOpenByOtherProgram = true;
  EXPECT_EQ(Read("Project", "Title", "\"dflt\"").text, "\"dflt\"");
  EXPECT_EQ(world.OpenHandleCount(), 0u);
}

TEST_F(ProfileReaderTest, ReadsNumbersAsWineDoes) {
  struct Case {
    std::string value;
    uint32_t expected;
  };
  const uint32_t kDefault = static_cast<uint32_t>(-7);
  const Case cases[] = {
      {"12", 12},
      {"-12", static_cast<uint32_t>(-12)},
      {"+12", 12},
      {"12abc", 12},
      {"1 2", 1},
      {"abc", 0},
      {"- 5", 0},
      {"", kDefault},  // empty reads as absent
      {"\"\"", kDefault},
      {"\"", 0},
      {"\"42\"", 42},
      {"\" \x01\t42\"", 42},  // after the quotes go, blanks and controls are skipped
      {"0x1F", 31},
      {"0X1f", 0},  // the prefixes are lower case only
      {"-0x10", static_cast<uint32_t>(-16)},
      {"0b101", 5},
      {"0o17", 15},
      {"017", 17},  // no octal without the prefix
      {"0x1g", 1},
      {"4294967297", 1},  // 32 bits that wrap
      {"-2147483649", 2147483647},
      {std::string(40, '1'), 1729917383},                // only the first 29 characters count
      {"\"" + std::string(29, '1') + "\"", 1461481927},  // 28 of them when quoted
      {"3\0"
       "4"s,
       3},
  };
  std::string file = "[S]\n";
  for (size_t i = 0; i < std::size(cases); ++i) {
    file += "k" + std::to_string(i) + "=" + cases[i].value + "\n";
  }
  file += "NoEquals\n";
  AddIni(kPath, file);
  for (size_t i = 0; i < std::size(cases); ++i) {
    std::string key = "k" + std::to_string(i);
    EXPECT_EQ(platform::ReadProfileInt("S", key.c_str(), -7, kPath), cases[i].expected)
        << "value \"" << cases[i].value << "\"";
  }
  EXPECT_EQ(platform::ReadProfileInt("S", "NoEquals", -7, kPath), kDefault);
  EXPECT_EQ(platform::ReadProfileInt("S", "Missing", 2147483647, kPath), 2147483647u);
  EXPECT_EQ(platform::ReadProfileInt("S", "k0", -7, "C:\\Setup\\Absent.ini"), kDefault);
  EXPECT_EQ(platform::ReadProfileInt("S", "k0", -7, "C:\\NoFolder\\Project.ini"), kDefault);
}

// A byte-order mark makes the file UTF-8 or UTF-16; what comes back is code page 1252, with
// a look-alike or '?' for characters it lacks.
TEST_F(ProfileReaderTest, DecodesFilesWithAByteOrderMark) {
  std::string utf16le = "\xff\xfe"s, utf16be = "\xfe\xff"s;
  const std::u16string text = u"[Caf\u00e9]\nTitle=\u00e9\u0100\uff21\u20ac\u2603\n";
  for (char16_t unit : text) {
    utf16le += static_cast<char>(unit & 0xFF);
    utf16le += static_cast<char>(unit >> 8);
    utf16be += static_cast<char>(unit >> 8);
    utf16be += static_cast<char>(unit & 0xFF);
  }
  AddIni("C:\\utf16le.ini", utf16le);
  AddIni("C:\\utf16be.ini", utf16be);
  for (const char* path : {"C:\\utf16le.ini", "C:\\utf16be.ini"}) {
    EXPECT_EQ(Read("Caf\xe9", "Title", "dflt", 80, path).text,
              "\xe9"
              "AA\x80?")
        << path;
  }
  // Broken UTF-8: a lone lead byte, a sequence cut short, an overlong form.
  AddIni("C:\\utf8.ini",
         "\xef\xbb\xbf[Caf\xc3\xa9]\nTitle=\xc5\x82 \xe9 \xe2\x82x \xc0\x80 \xf0\x9f\x98\x80\n");
  EXPECT_EQ(Read("Caf\xe9", "Title", "dflt", 80, "C:\\utf8.ini").text, "l ? ?x ?? ??");
  EXPECT_EQ(Read("CAF\xc9", "Title", "dflt", 80, "C:\\utf8.ini").text, "dflt");
  // Without a mark the same bytes are code page 1252, and the first line is no section.
  AddIni("C:\\plain.ini", "\xef\xbb[S]\nTitle=\xc3\xa9\n[T]\nTitle=\xc3\xa9\n");
  EXPECT_EQ(Read("S", "Title", "dflt", 80, "C:\\plain.ini").text, "dflt");
  EXPECT_EQ(Read("T", "Title", "dflt", 80, "C:\\plain.ini").text, "\xc3\xa9");
}

}  // namespace
