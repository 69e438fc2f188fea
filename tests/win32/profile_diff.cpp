// Differential test of the INI readers: writes a table of tricky INI files into a folder of
// its own under the temporary folder, reads every query with GetPrivateProfileStringA or
// GetPrivateProfileIntA and with our own reader (platform/sim/profile_text), and prints each
// difference and a summary. Exit code 0 only when every answer is identical, 1 otherwise.
//
//   profile_diff [RANDOM_FILES [SEED]]
//
// Besides the hand-made files it writes RANDOM_FILES (default 300) files made of INI pieces
// by a generator seeded with SEED (default 1), so a difference found there reproduces.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sim/profile_text.h"

namespace {

using namespace std::string_literals;

struct Fixture {
  std::string name;
  std::string bytes;
  std::vector<std::string> sections;
  std::vector<std::string> keys;
  std::vector<uint32_t> capacities;
};

// How our reader is to see a file: its bytes, or (opened false) a file that cannot be opened.
struct Model {
  const Fixture& fixture;
  bool opened;
};

const std::vector<uint32_t> kCapacities = {1, 2, 5, 80, 520};
// Defaults with trailing blanks and quotes, which the readers treat specially.
const char* const kDefaults[] = {"dflt", "\"q\" ", "   ", nullptr, "'abcdef'"};

std::string Escaped(const std::string& text, size_t limit = 160) {
  std::string out;
  for (size_t i = 0; i < text.size() && i < limit; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  if (text.size() > limit) out += "... (" + std::to_string(text.size()) + " bytes)";
  return out;
}

std::string Upper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return text;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  }
  return text;
}

std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF"s : "\xFF\xFE"s;
  for (char16_t unit : text) {
    char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += bigEndian ? high : low;
    bytes += bigEndian ? low : high;
  }
  return bytes;
}

std::u16string Widened(const std::string& text) {
  std::u16string wide;
  for (char c : text) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
  return wide;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// ---- the hand-made files ---------------------------------------------------------------------

const std::string kBasics =
    "top=before any section\r\n"
    "Mixed Case Top = 2 \r\n"
    "[Project]\r\n"
    "Title=Planner Suite\r\n"
    "  Version  =  \t 2.1 beta \t \r\n"
    "Company=\"Quoted Co\"\r\n"
    "Single='single'\r\n"
    "Empty=\r\n"
    "Blank=   \r\n"
    "Equals=a=b=c\r\n"
    "=no name\r\n"
    "my key = spaced name\r\n"
    ";Comment=5\r\n"
    "  ;Indented=6\r\n"
    "#Hash=7\r\n"
    "NoEquals\r\n"
    "NoEquals=later\r\n"
    "Dup=first\r\n"
    "dup=second\r\n"
    "DUP=third\r\n"
    "\r\n"
    "   \r\n"
    "[Files]\r\n"
    "File0=\"readme.txt\",0,2,0,2,0,\r\n"
    "File1 = \"notes.txt\" , 0 , 4\r\n"
    "[project]\r\n"
    "Late=yes\r\n"
    "Title=second section\r\n"
    "[Files]\r\n"
    "File2=late\r\n";

const std::vector<std::string> kBasicSections = {"", "Project", "Files", "Nope"};
const std::vector<std::string> kBasicKeys = {
    "top",      "Mixed Case Top", "Title",  "Version",  "Company", "Single",
    "Empty",    "Blank",          "Equals", "",         "my key",  "my  key",
    ";Comment", ";Indented",      "#Hash",  "NoEquals", "Dup",     "File0",
    "File1",    "File2",          "Late",   "Comment",  "Missing"};

std::vector<Fixture> HandMadeFixtures() {
  std::vector<Fixture> fixtures;
  fixtures.push_back({"basics-crlf.ini", kBasics, kBasicSections, kBasicKeys, kCapacities});
  fixtures.push_back(
      {"basics-lf.ini", Replaced(kBasics, "\r\n", "\n"), kBasicSections, kBasicKeys, kCapacities});
  fixtures.push_back(
      {"basics-cr.ini", Replaced(kBasics, "\r\n", "\r"), kBasicSections, kBasicKeys, kCapacities});
  fixtures.push_back({"basics-mixed.ini", Replaced(kBasics, "\r\n[", "\n\r\r\n["), kBasicSections,
                      kBasicKeys, kCapacities});

  fixtures.push_back({"brackets.ini",
                      "  [Sec]  \nk=1\n[ Two ]\nk=2\n[Three] junk\nk=3\n[Four\nk=4\n[Four=x\n"
                      "[]\nk=5\n[a]b]\nk=6\n\t[Tab]\t\nk=7\n[ Sp ace ]\nk=8\n[x] y]\nk=9\n"
                      "[ [n] ]\nk=10\n[S] = 5\nk=11\n;[B]\nk=12\n[a=b]\nk=13\nx[c]\nk=14\n"
                      "[\nk=15\n[]]\nk=16\n"s,
                      {"Sec", "Two", " Two ", "Three", "Three] junk", "Four", "", "a", "a]b", "Tab",
                       "Sp ace", "Sp  ace", "x] y", "x", "[n]", "S", "B", "a=b", "]"},
                      {"k", "[Four", "x[c]", "["},
                      {80}});

  fixtures.push_back({"duplicates.ini",
                      "k=top\n[]\nk=empty name\n[A]\nk=1\nk=2\nj=only\n[B]\nk=b\n[A]\nk=3\n"
                      "late=4\n[a]\nlater=5\n"s,
                      {"", "A", "a", "B"},
                      {"k", "j", "late", "later"},
                      {80}});

  const std::string x519(519, 'x'), y600(598, 'y'), z4000(4000, 'z');
  fixtures.push_back({"long.ini",
                      "[S]\na=" + x519 + "\nb=" + y600 + "ZW\nc=\"" + std::string(517, 'q') +
                          "\"\nd=\"" + std::string(519, 'r') + "\"\ne=" + z4000 + "\n" +
                          std::string(600, 'K') + "=long key\n[" + std::string(600, 's') +
                          "]\nk=long section\n",
                      {"S", std::string(600, 's')},
                      {"a", "b", "c", "d", "e", std::string(600, 'k'), "k"},
                      {1, 80, 517, 518, 519, 520, 521, 600, 601, 4001, 4100}});

  std::string controls = "[S]\n";
  std::vector<std::string> controlKeys;
  for (int c = 1; c < 256; ++c) {
    if (c == '\n' || c == '\r' || (c > 0x20 && c < 0x7F)) continue;
    char name[8];
    std::snprintf(name, sizeof name, "v%02x", c);
    controls += std::string(name) + "=" + static_cast<char>(c) + "v" + static_cast<char>(c) + "\n";
    controls +=
        static_cast<char>(c) + std::string("k") + (name + 1) + static_cast<char>(c) + "=x\n";
    controlKeys.push_back(name);
    controlKeys.push_back(std::string("k") + (name + 1));
  }
  fixtures.push_back({"controls.ini", controls, {"S"}, controlKeys, {80}});

  fixtures.push_back(
      {"ctrlz.ini",
       "[S]\nk=v\x1aw\nj=\x1a\nm=a\nn=b\x1a\x1a\x1a\n\x1a\nz=after\x1a\n\x1a[T]\x1a\n"
       "k=t\n"s,
       {"S", "T", "\x1aT"},
       {"k", "j", "m", "n", "z"},
       {80}});

  // Not "nul.ini": that name is the NUL device.
  fixtures.push_back({"nul-bytes.ini",
                      "[S]\nk7=v\0w\nk8=\0\nk\0"
                      "9=x\n k \0 9 =y\na\0b=c\nsp= v \0 \n"
                      "q=\" v\"\0\nr=\"v\" \0\"\nnoeq \0\nnoeq=later\n\0=nul name\n[T\0x]\nk=t\n"
                      "[\0U]\nk=u\n[ S2 \0 ]\nk=s2\n\0[N]\nk=n\n[a] b\0]\nk=ab\n[c\0=]\nk=c\n"s,
                      {"S", "T", "T\0x"s, "", "U", "S2", "S2 ", "N", "a] b", "a", "c"},
                      {"k7", "k8", "k", "k ", "a", "sp", "q", "r", "noeq", "noeq ", ""},
                      {80}});

  std::string quotes = "[S]\n";
  std::vector<std::string> quoteKeys;
  const char* const quoted[] = {"\"quoted\"", "'single'",  "\"mixed'", "'mixed\"", "\"",
                                "'",          "\"\"",      "''",       "\"a\"b\"", " \" in \" ",
                                "\"x\" ",     "\"abc\"  ", "x\"abc\"", "\" \"",    "\"'\"",
                                "\"  \"",     "'\"'\"'"};
  for (size_t i = 0; i < std::size(quoted); ++i) {
    quotes += "q" + std::to_string(i) + "=" + quoted[i] + "\n";
    quoteKeys.push_back("q" + std::to_string(i));
  }
  for (int n = 0; n <= 9; ++n) {
    quotes += "n" + std::to_string(n) + "=\"" + std::string("abcdefghij").substr(0, n) + "\"\n";
    quotes += "m" + std::to_string(n) + "='" + std::string("abcdefghij").substr(0, n) + "'\n";
    quoteKeys.push_back("n" + std::to_string(n));
    quoteKeys.push_back("m" + std::to_string(n));
  }
  quoteKeys.push_back("missing");
  fixtures.push_back(
      {"quotes.ini", quotes, {"S"}, quoteKeys, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 80}});

  const std::vector<std::string> sk = {"S", "s", ""}, kk = {"k", "j", ""};
  fixtures.push_back({"empty.ini", "", sk, kk, {1, 80}});
  fixtures.push_back({"blank-lines.ini", "\n\r\n \t \n\x0b\x0c\n", sk, kk, {80}});
  fixtures.push_back({"no-final-newline.ini", "[S]\nk=v", sk, kk, {80}});
  fixtures.push_back({"only-key.ini", "k", sk, kk, {80}});

  std::string utf8 = "\xEF\xBB\xBF[S]\n";
  const char* const sequences[] = {"\xC3\xA9",
                                   "\xE9",
                                   "\xE2\x82x",
                                   "\xE2\x82\xAC",
                                   "\xC0\x80",
                                   "\xC1\xBF",
                                   "\xED\xA0\x80",
                                   "\xED\x9F\xBF",
                                   "\xEE\x80\x80",
                                   "\xF0\x9F\x98\x80",
                                   "\xF4\x90\x80\x80",
                                   "\x80",
                                   "\x80\x80",
                                   "\xFE",
                                   "\xFF",
                                   "\xF8\x88\x80\x80\x80",
                                   "\xE0\x80\x80",
                                   "\xE0\xA0\x80",
                                   "\xF0\x9F\x98x",
                                   "\xF0\x80\x80\x80",
                                   "\xF0\x90\x80\x80",
                                   "\xC2\xA0",
                                   "\xC2\x80",
                                   "\xC2\x81",
                                   "\xC5\x82",
                                   "\xEF\xBB\xBF",
                                   "\xEF\xBF\xBD",
                                   "\xE2\x82\xE2\x82\xAC",
                                   "\xF5\x80\x80\x80",
                                   "\xF4\x8F\xBF\xBF",
                                   "\xE0\x80x",
                                   "\xED\xA0x",
                                   "\xF0\x90\x80x",
                                   "\xC2\xC2\xA9",
                                   "\xE1\x80\x80\x80",
                                   "\xC2\xA9\x80",
                                   "\xE0\x9F\xBF",
                                   "\xF4\x8F\x80"};
  std::vector<std::string> utf8Keys;
  for (size_t i = 0; i < std::size(sequences); ++i) {
    utf8 += "u" + std::to_string(i) + "=<" + sequences[i] + ">\n";
    utf8Keys.push_back("u" + std::to_string(i));
  }
  utf8 += "[Caf\xC3\xA9]\nk=accent\n[\xC4\x80]\nk=macron\nnul=a\0b\nend=\xC2"s;
  utf8Keys.insert(utf8Keys.end(), {"k", "nul", "end"});
  fixtures.push_back(
      {"utf8-bom.ini", utf8, {"S", "Caf\xE9", "CAF\xC9", "A", "\xC4\x80"}, utf8Keys, {80}});

  std::u16string wide =
      u"[S]\nk=\u00e9\u20ac\u0100\uff21\u2603\n"
      u"lone=<\xd800x><\xdc00x><\xd83d\xde00><\xd800>\n"
      u"sp=\u3000x\u3000\nnbsp=\u00a0x\u00a0\nn1=\uff11\uff12\n"
      u"n2= \u3000 12\n[\u00c9]\nk=e\n[\u0130]\nk=i\n";
  // Both end on a whole unit: after an odd last byte Wine makes the last character from
  // whatever memory follows the file's bytes, so no answer there can be compared.
  fixtures.push_back({"utf16le.ini",
                      Utf16(wide, false),
                      {"S", "\xC9", "\xE9", "I", "i"},
                      {"k", "lone", "sp", "nbsp", "n1", "n2"},
                      {3, 80}});
  fixtures.push_back({"utf16be.ini",
                      Utf16(wide, true),
                      {"S", "\xC9", "I"},
                      {"k", "lone", "sp", "nbsp", "n1", "n2"},
                      {3, 80}});
  const std::string plain = "[S]\nk=v\n";
  fixtures.push_back({"utf16-no-bom.ini", Utf16(Widened(plain), false).substr(2), sk, kk, {80}});
  fixtures.push_back(
      {"utf16-two-boms.ini", "\xFF\xFE" + Utf16(Widened(plain), false), sk, kk, {80}});
  fixtures.push_back({"utf8-two-boms.ini", "\xEF\xBB\xBF\xEF\xBB\xBF" + plain, sk, kk, {80}});
  fixtures.push_back({"utf8-half-bom.ini", "\xEF\xBB" + plain, sk, kk, {80}});
  fixtures.push_back({"utf8-bom-line.ini", "\xEF\xBB\xBF\n" + plain, sk, kk, {80}});
  fixtures.push_back({"only-bom.ini", "\xFF\xFE", sk, kk, {80}});

  fixtures.push_back({"case.ini",
                      "[S\xE9\x9A\xFF]\nK\xC9=1\nk\xE0=2\nstra\xDF"
                      "e=3\n\xB5=4\n[\x9A]\nk=5\n"
                      "[\xFF]\nk=6\n[\x9C]\nk=7\n[\xE6]\nk=8\n[MiXeD]\nKeY=9\n"s,
                      {"S\xE9\x9A\xFF", "s\xC9\x8A\x9F", "\x9A", "\x8A", "\xFF", "\x9F", "\x9C",
                       "\x8C", "\xE6", "\xC6", "mixed", "MIXED"},
                      {"K\xC9", "k\xE9", "STRASSE",
                       "stra\xDF"
                       "e",
                       "\xB5", "k", "key"},
                      {80}});
  return fixtures;
}

// Values for GetPrivateProfileIntA: signs, prefixes, blanks, wrapping, the 30-character read.
Fixture NumbersFixture() {
  const std::string values[] = {"12",
                                "-12",
                                "+12",
                                " 12",
                                "12abc",
                                "abc",
                                "",
                                "0x1F",
                                "0X1f",
                                "-0x10",
                                "0x",
                                "0xg",
                                "0b101",
                                "0B11",
                                "0o17",
                                "0O17",
                                "017",
                                "08",
                                "4294967295",
                                "4294967296",
                                "99999999999",
                                "-2147483648",
                                "-2147483649",
                                "2147483648",
                                "\"42\"",
                                "'42'",
                                "\" 42\"",
                                "- 5",
                                "--5",
                                "+-5",
                                "\x0b"
                                "7",
                                "\x1a"
                                "7",
                                "0x7FFFFFFF",
                                "0xFFFFFFFF",
                                "0x100000000",
                                "1 2",
                                "12.5",
                                "1e3",
                                "0b",
                                "0o",
                                "0b2",
                                "-",
                                "+",
                                "0x-1",
                                " -0x1f ",
                                "3\0"
                                "4"s,
                                std::string(40, '1'),
                                std::string(40, '9'),
                                "0x" + std::string(30, 'f'),
                                "0b" + std::string(40, '1'),
                                "\"" + std::string(29, '1') + "\"",
                                "\"" + std::string(28, '1') + "\"",
                                "\"   " + std::string(40, '1') + "\"",
                                "\"\"",
                                "''",
                                "\"",
                                "\"\x01 42\"",
                                "\"\t42\"",
                                "\"\xA0"
                                "42\"",
                                "-0b11",
                                "+0o7",
                                "0x1g",
                                "0b12",
                                "0o78",
                                "+0x10",
                                "0x 1",
                                "\" +1\"",
                                "\"+ 1\"",
                                "0\x0b"
                                "1",
                                "\xB2",
                                "\xBD",
                                "\"\0\""s};
  Fixture fixture{"numbers.ini", "[S]\n", {"S", "s", "T"}, {"noeq", "absent"}, {}};
  for (size_t i = 0; i < std::size(values); ++i) {
    fixture.bytes += "i" + std::to_string(i) + "=" + values[i] + "\n";
    fixture.keys.push_back("i" + std::to_string(i));
  }
  fixture.bytes += "noeq\n";
  return fixture;
}

// Every unit of the Basic Multilingual Plane but the surrogates, 256 a line, as UTF-16: what
// comes back shows the byte each character turns into.
Fixture UnicodeSweepFixture() {
  std::u16string text = u"[S]\n";
  Fixture fixture{"unicode-sweep.ini", "", {"S"}, {}, {300}};
  char name[8];
  for (int high = 0; high < 256; ++high) {
    if (high >= 0xD8 && high <= 0xDF) continue;
    std::snprintf(name, sizeof name, "r%02x", high);
    text += Widened(name) + u"=<";
    for (int low = 0; low < 256; ++low) {
      char16_t unit = static_cast<char16_t>(high << 8 | low);
      text += (unit == 0 || unit == '\n' || unit == '\r') ? u'x' : unit;
    }
    text += u">\n";
    fixture.keys.push_back(name);
  }
  fixture.bytes = Utf16(text, false);
  return fixture;
}

// ---- random files ------------------------------------------------------------------------------

uint32_t Next(uint32_t* state) {
  uint32_t x = *state;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return *state = x;
}

const std::string kPieces[] = {
    "[",    "]",    "=",        "\"",       "'",    " ",     "\t",          "\r",  "\n", "\r\n",
    "\0"s,  "\x1a", "\x0b",     ";",        "#",    "S",     "s",           "k",   "K",  "v",
    "\xE9", "\xC9", "[S]",      "[s]\n",    "\nk=", "\nK =", "\"v\"",       "\n[", "1",  "-",
    "0x",   "x",    "\xC3\xA9", "\xE2\x82", "\xFF", "\x80",  "\n[S]\nk=\"", "\"\n"};

Fixture RandomFixture(int index, uint32_t* state) {
  Fixture fixture{"random-" + std::to_string(index) + ".ini",
                  "",
                  {"S", "s", "", " S ", "k"},
                  {"k", "K", "", "k ", "v", ";"},
                  {}};
  uint32_t pieces = Next(state) % 80;
  for (uint32_t i = 0; i < pieces; ++i) fixture.bytes += kPieces[Next(state) % std::size(kPieces)];
  uint32_t kind = Next(state) % 20;
  if (kind == 0) fixture.bytes = "\xEF\xBB\xBF" + fixture.bytes;
  if (kind == 1) fixture.bytes = Utf16(Widened(fixture.bytes), false);
  if (kind == 2) fixture.bytes = Utf16(Widened(fixture.bytes), true);
  fixture.capacities = {1 + Next(state) % 4, 80};
  return fixture;
}

// ---- the comparison ----------------------------------------------------------------------------

struct Tally {
  long strings = 0;
  long numbers = 0;
  long differences = 0;
};

constexpr long kMaxShown = 40;
constexpr size_t kGuardBytes = 8;

void ShowDifference(Tally* tally, const Fixture& fixture, const std::string& query,
                    const std::string& wine, const std::string& own) {
  if (++tally->differences > kMaxShown) return;
  std::printf("DIFF %s: %s\n  wine: %s\n  own:  %s\n", fixture.name.c_str(), query.c_str(),
              wine.c_str(), own.c_str());
  if (fixture.name.rfind("random-", 0) == 0) {
    std::printf("  file: %s\n", Escaped(fixture.bytes, 400).c_str());
  }
}

std::string Shown(uint32_t count, const std::vector<char>& buffer) {
  return std::to_string(count) + " [" + Escaped(std::string(buffer.data(), buffer.size()), 700) +
         "]";
}

void CompareString(Tally* tally, const Model& model, const std::string& path,
                   const std::string& section, const std::string& key, const char* defaultText,
                   uint32_t capacity) {
  ++tally->strings;
  std::vector<char> wine(capacity + kGuardBytes, '\x5A'), own(capacity + kGuardBytes, '\x5A');
  uint32_t wineCount = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultText,
                                                wine.data(), capacity, path.c_str());
  const std::string& bytes = model.fixture.bytes;
  uint32_t ownCount =
      model.opened
          ? sim::ProfileString(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                               section.c_str(), key.c_str(), defaultText, own.data(), capacity)
          : sim::UnopenedProfileString(defaultText, own.data(), capacity);
  // The whole buffer and what follows it: a reader must not write past its terminator.
  if (wineCount == ownCount && wine == own) return;
  std::string query = "string [" + Escaped(section) + "] " + Escaped(key) + " default " +
                      (defaultText ? "\"" + Escaped(defaultText) + "\"" : "null") + " capacity " +
                      std::to_string(capacity);
  ShowDifference(tally, model.fixture, query, Shown(wineCount, wine), Shown(ownCount, own));
}

void CompareInt(Tally* tally, const Model& model, const std::string& path,
                const std::string& section, const std::string& key, int32_t defaultValue) {
  ++tally->numbers;
  uint32_t wine = GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, path.c_str());
  const std::string& bytes = model.fixture.bytes;
  uint32_t own = model.opened
                     ? sim::ProfileInt(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(),
                                       section.c_str(), key.c_str(), defaultValue)
                     : static_cast<uint32_t>(defaultValue);
  if (wine == own) return;
  ShowDifference(tally, model.fixture,
                 "number [" + Escaped(section) + "] " + Escaped(key) + " default " +
                     std::to_string(defaultValue),
                 std::to_string(wine), std::to_string(own));
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::printf("could not write %s (error %lu)\n", path.c_str(), GetLastError());
    return false;
  }
  DWORD written = 0;
  BOOL ok = bytes.empty() ||
            WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  if (!ok || written != bytes.size()) std::printf("could not write all of %s\n", path.c_str());
  return ok && written == bytes.size();
}

// Each name as given, in other case and with blanks around it.
std::vector<std::pair<std::string, std::string>> NamePairs(const Fixture& fixture, bool variants) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const std::string& section : fixture.sections) {
    for (const std::string& key : fixture.keys) {
      pairs.emplace_back(section, key);
      if (!variants) continue;
      pairs.emplace_back(Upper(section), key);
      pairs.emplace_back(section, Lower(key));
      pairs.emplace_back(" " + section + "\t", "\x0b" + key + " ");
    }
  }
  return pairs;
}

// Every name pair in every capacity, the defaults taken in turn (or all of them for each).
void CompareAll(Tally* tally, const Model& model, const std::string& path, bool variants,
                bool everyDefault) {
  size_t turn = 0;
  for (const auto& [section, key] : NamePairs(model.fixture, variants)) {
    for (uint32_t capacity : model.fixture.capacities) {
      if (everyDefault) {
        for (const char* defaultText : kDefaults) {
          CompareString(tally, model, path, section, key, defaultText, capacity);
        }
      } else {
        const char* defaultText = kDefaults[turn++ % std::size(kDefaults)];
        CompareString(tally, model, path, section, key, defaultText, capacity);
      }
    }
  }
  for (const std::string& section : model.fixture.sections) {
    for (const std::string& key : model.fixture.keys) {
      CompareInt(tally, model, path, section, key, -7);
      CompareInt(tally, model, path, section, key, 2147483647);
    }
  }
}

bool RunFixture(Tally* tally, const Fixture& fixture, const std::string& folder, bool variants) {
  std::string path = folder + fixture.name;
  if (!WriteWholeFile(path, fixture.bytes)) return false;
  CompareAll(tally, Model{fixture, true}, path, variants, false);
  DeleteFileA(path.c_str());
  return true;
}

// Files the reader finds missing, or cannot open at all.
bool RunFileConditions(Tally* tally, const std::string& folder) {
  const std::vector<uint32_t> capacities = {1, 2, 7, 80};
  Fixture missing{"missing.ini", "", {"S", ""}, {"k", ""}, capacities};
  CompareAll(tally, Model{missing, true}, folder + missing.name, false, true);
  Fixture noFolder{"no-folder\\project.ini", "", {"S"}, {"k"}, capacities};
  CompareAll(tally, Model{noFolder, false}, folder + noFolder.name, false, true);
  Fixture directory{"directory.ini", "", {"S"}, {"k"}, capacities};
  std::string path = folder + directory.name;
  if (!CreateDirectoryA(path.c_str(), nullptr)) return false;
  CompareAll(tally, Model{directory, false}, path, false, true);
  RemoveDirectoryA(path.c_str());

  // Held open by another: refused unless reading is shared, whatever the holder does.
  Fixture held{"held.ini", "[S]\nk=v\n", {"S"}, {"k", "j"}, capacities};
  path = folder + held.name;
  if (!WriteWholeFile(path, held.bytes)) return false;
  struct Holder {
    DWORD access;
    DWORD share;
  };
  const Holder holders[] = {{GENERIC_READ, 0},
                            {GENERIC_WRITE, 0},
                            {GENERIC_READ, FILE_SHARE_WRITE},
                            {GENERIC_WRITE, FILE_SHARE_READ},
                            {GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE}};
  for (const Holder& holder : holders) {
    HANDLE handle =
        CreateFileA(path.c_str(), holder.access, holder.share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    CompareAll(tally, Model{held, (holder.share & FILE_SHARE_READ) != 0}, path, false, true);
    CloseHandle(handle);
  }
  DeleteFileA(path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int randomFiles = argc > 1 ? std::atoi(argv[1]) : 300;
  uint32_t seed = argc > 2 ? static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 0)) : 1;
  if (seed == 0) seed = 1;
  if (GetACP() != 1252) {
    std::printf(
        "the ANSI code page is %u, not 1252, which our reader reads as; under Wine run "
        "with LC_ALL=C\n",
        GetACP());
    return 1;
  }
  char temp[MAX_PATH];
  if (GetTempPathA(MAX_PATH, temp) == 0) {
    std::printf("no temporary folder (error %lu)\n", GetLastError());
    return 1;
  }
  std::string folder =
      std::string(temp) + "tarnwick-profile-diff-" + std::to_string(GetCurrentProcessId());
  if (!CreateDirectoryA(folder.c_str(), nullptr)) {
    std::printf("could not make %s (error %lu)\n", folder.c_str(), GetLastError());
    return 1;
  }
  folder += "\\";

  Tally tally;
  bool ran = RunFileConditions(&tally, folder);
  if (!ran) std::printf("could not set up the missing, unopenable and held files\n");
  for (const Fixture& fixture : HandMadeFixtures()) {
    ran = RunFixture(&tally, fixture, folder, true) && ran;
  }
  ran = RunFixture(&tally, NumbersFixture(), folder, false) && ran;
  ran = RunFixture(&tally, UnicodeSweepFixture(), folder, false) && ran;
  uint32_t state = seed;
  for (int i = 0; i < randomFiles; ++i) {
    ran = RunFixture(&tally, RandomFixture(i, &state), folder, false) && ran;
  }
  RemoveDirectoryA(folder.c_str());

  if (tally.differences > kMaxShown) {
    std::printf("... and %ld more differences\n", tally.differences - kMaxShown);
  }
  std::printf(
      "profile_diff: %ld string reads, %ld number reads, %d random files (seed %u), "
      "%ld differ\n",
      tally.strings, tally.numbers, randomFiles, seed, tally.differences);
  return ran && tally.differences == 0 ? 0 : 1;
}
