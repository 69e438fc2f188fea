// The INI reader shared by the simulated Windows and the Wine differential test. The file is
// first decoded into UTF-16 code units, as Wine holds it; names are compared and values cut
// in those units, and only what is handed back is turned into code page 1252 bytes.
#include "platform/sim/profile_text.h"

#include <cstring>
#include <vector>

namespace sim {

namespace {

using Unit = uint16_t;
using Text = std::vector<Unit>;

constexpr Unit kReplacement = 0xFFFD;

// What code page 1252 bytes 0x80..0x9F stand for; the five bytes the code page leaves
// undefined stand for the control character of their own number.
constexpr Unit kHighBytes[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The byte Wine writes for each character outside the code page that does not come out as
// '?': the code page's own characters 0x80..0x9F and look-alikes (U+0100 'A' for A-macron),
// as (unit << 8) | byte in unit order. Measured under Wine for every unit of the Basic
// Multilingual Plane; the full-width forms U+FF01..U+FF5E, which all map to their ASCII
// counterparts, are left to a rule.
constexpr uint32_t kLookAlikes[] = {
    0x010041, 0x010161, 0x010241, 0x010361, 0x010441, 0x010561, 0x010643, 0x010763, 0x010843,
    0x010963, 0x010A43, 0x010B63, 0x010C43, 0x010D63, 0x010E44, 0x010F64, 0x0110D0, 0x011164,
    0x011245, 0x011365, 0x011445, 0x011565, 0x011645, 0x011765, 0x011845, 0x011965, 0x011A45,
    0x011B65, 0x011C47, 0x011D67, 0x011E47, 0x011F67, 0x012047, 0x012167, 0x012247, 0x012367,
    0x012448, 0x012568, 0x012648, 0x012768, 0x012849, 0x012969, 0x012A49, 0x012B69, 0x012C49,
    0x012D69, 0x012E49, 0x012F69, 0x013049, 0x013169, 0x01344A, 0x01356A, 0x01364B, 0x01376B,
    0x01394C, 0x013A6C, 0x013B4C, 0x013C6C, 0x013D4C, 0x013E6C, 0x01414C, 0x01426C, 0x01434E,
    0x01446E, 0x01454E, 0x01466E, 0x01474E, 0x01486E, 0x014C4F, 0x014D6F, 0x014E4F, 0x014F6F,
    0x01504F, 0x01516F, 0x01528C, 0x01539C, 0x015452, 0x015572, 0x015652, 0x015772, 0x015852,
    0x015972, 0x015A53, 0x015B73, 0x015C53, 0x015D73, 0x015E53, 0x015F73, 0x01608A, 0x01619A,
    0x016254, 0x016374, 0x016454, 0x016574, 0x016654, 0x016774, 0x016855, 0x016975, 0x016A55,
    0x016B75, 0x016C55, 0x016D75, 0x016E55, 0x016F75, 0x017055, 0x017175, 0x017255, 0x017375,
    0x017457, 0x017577, 0x017659, 0x017779, 0x01789F, 0x01795A, 0x017A7A, 0x017B5A, 0x017C7A,
    0x017D8E, 0x017E9E, 0x018062, 0x0189D0, 0x019183, 0x019283, 0x019749, 0x019A6C, 0x019F4F,
    0x01A04F, 0x01A16F, 0x01AB74, 0x01AE54, 0x01AF55, 0x01B075, 0x01B67A, 0x01C07C, 0x01C321,
    0x01CD41, 0x01CE61, 0x01CF49, 0x01D069, 0x01D14F, 0x01D26F, 0x01D355, 0x01D475, 0x01D555,
    0x01D675, 0x01D755, 0x01D875, 0x01D955, 0x01DA75, 0x01DB55, 0x01DC75, 0x01DE41, 0x01DF61,
    0x01E447, 0x01E567, 0x01E647, 0x01E767, 0x01E84B, 0x01E96B, 0x01EA4F, 0x01EB6F, 0x01EC4F,
    0x01ED6F, 0x01F06A, 0x026167, 0x02B927, 0x02BA22, 0x02BC27, 0x02C45E, 0x02C688, 0x02C827,
    0x02C9AF, 0x02CAB4, 0x02CB60, 0x02CD5F, 0x02DAB0, 0x02DC98, 0x030060, 0x0301B4, 0x03025E,
    0x03037E, 0x0304AF, 0x0305AF, 0x0308A8, 0x030AB0, 0x030E22, 0x0327B8, 0x03315F, 0x03325F,
    0x037E3B, 0x039347, 0x039854, 0x03A353, 0x03A646, 0x03A94F, 0x03B161, 0x03B2DF, 0x03B464,
    0x03B565, 0x03BCB5, 0x03C070, 0x03C373, 0x03C474, 0x03C666, 0x04BB68, 0x05893A, 0x066A25,
    0x200020, 0x200120, 0x200220, 0x200320, 0x200420, 0x200520, 0x200620, 0x20102D, 0x20112D,
    0x201396, 0x201497, 0x20173D, 0x201891, 0x201992, 0x201A82, 0x201C93, 0x201D94, 0x201E84,
    0x202086, 0x202187, 0x202295, 0x2024B7, 0x202685, 0x203089, 0x203227, 0x203560, 0x20398B,
    0x203A9B, 0x20442F, 0x2070B0, 0x207434, 0x207535, 0x207636, 0x207737, 0x207838, 0x207F6E,
    0x208030, 0x208131, 0x208232, 0x208333, 0x208434, 0x208535, 0x208636, 0x208737, 0x208838,
    0x208939, 0x20A1A2, 0x20A4A3, 0x20A750, 0x20AC80, 0x210243, 0x210745, 0x210A67, 0x210B48,
    0x210C48, 0x210D48, 0x210E68, 0x211049, 0x211149, 0x21124C, 0x21136C, 0x21154E, 0x211850,
    0x211950, 0x211A51, 0x211B52, 0x211C52, 0x211D52, 0x212299, 0x21245A, 0x21285A, 0x212A4B,
    0x212BC5, 0x212C42, 0x212D43, 0x212E65, 0x212F65, 0x213045, 0x213146, 0x21334D, 0x21346F,
    0x2205D8, 0x22122D, 0x2213B1, 0x22152F, 0x22165C, 0x22172A, 0x2218B0, 0x2219B7, 0x221A76,
    0x221E38, 0x22237C, 0x22296E, 0x22363A, 0x223C7E, 0x224898, 0x22613D, 0x22643D, 0x22653D,
    0x226AAB, 0x226BBB, 0x22C5B7, 0x2302A6, 0x23035E, 0x2310AC, 0x232028, 0x232129, 0x23293C,
    0x232A3E, 0x25002D, 0x2502A6, 0x250C2B, 0x25102B, 0x25142B, 0x25182B, 0x251C2B, 0x2524A6,
    0x252C2D, 0x25342D, 0x253C2B, 0x25502D, 0x2551A6, 0x25522B, 0x25532B, 0x25542B, 0x25552B,
    0x25562B, 0x25572B, 0x25582B, 0x25592B, 0x255A2B, 0x255B2B, 0x255C2B, 0x255D2B, 0x255EA6,
    0x255FA6, 0x2560A6, 0x2561A6, 0x2562A6, 0x2563A6, 0x25642D, 0x25652D, 0x25662D, 0x25672D,
    0x25682D, 0x25692D, 0x256A2B, 0x256B2B, 0x256C2B, 0x2580AF, 0x25845F, 0x2588A6, 0x258CA6,
    0x2590A6, 0x2591A6, 0x2592A6, 0x2593A6, 0x25A0A6, 0x263CA4, 0x27587C, 0x300020, 0x30083C,
    0x30093E, 0x300AAB, 0x300BBB, 0x301A5B, 0x301B5D, 0x30FBB7,
};

Unit FromAnsi(uint8_t byte) { return byte >= 0x80 && byte < 0xA0 ? kHighBytes[byte - 0x80] : byte; }

uint8_t ToAnsi(Unit unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF) || unit == 0x81 || unit == 0x8D ||
      unit == 0x8F || unit == 0x90 || unit == 0x9D) {
    return static_cast<uint8_t>(unit);
  }
  if (unit >= 0xFF01 && unit <= 0xFF5E) return static_cast<uint8_t>(unit - 0xFEE0);
  size_t low = 0, high = sizeof kLookAlikes / sizeof kLookAlikes[0];
  while (low < high) {
    size_t middle = (low + high) / 2;
    Unit found = static_cast<Unit>(kLookAlikes[middle] >> 8);
    if (found == unit) return static_cast<uint8_t>(kLookAlikes[middle]);
    if (found < unit) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return '?';
}

bool IsContinuation(uint8_t byte) { return byte >= 0x80 && byte <= 0xBF; }

// UTF-8 the way Wine decodes it: a sequence cut short by a byte that does not continue it
// gives one U+FFFD for the bytes it had; a second byte outside its lead's range (overlong
// forms, surrogates, beyond U+10FFFF) gives one U+FFFD for the pair; a stray byte gives one
// of its own. Characters beyond the plane become a surrogate pair.
void DecodeUtf8(const uint8_t* data, size_t size, Text* text) {
  size_t i = 0;
  while (i < size) {
    uint8_t lead = data[i];
    if (lead < 0x80) {
      text->push_back(lead);
      ++i;
      continue;
    }
    if (lead < 0xC2 || lead > 0xF4) {
      text->push_back(kReplacement);
      ++i;
      continue;
    }
    size_t length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint8_t lowest = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    uint8_t highest = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (i + 1 >= size || !IsContinuation(data[i + 1])) {
      text->push_back(kReplacement);
      ++i;
      continue;
    }
    if (data[i + 1] < lowest || data[i + 1] > highest) {
      text->push_back(kReplacement);
      i += 2;
      continue;
    }
    uint32_t code = lead & (length == 2 ? 0x1F : length == 3 ? 0x0F : 0x07);
    size_t next = i + 1;
    while (next < i + length && next < size && IsContinuation(data[next])) {
      code = (code << 6) | (data[next] & 0x3F);
      ++next;
    }
    if (next < i + length) {
      text->push_back(kReplacement);
    } else if (code >= 0x10000) {
      code -= 0x10000;
      text->push_back(static_cast<Unit>(0xD800 | (code >> 10)));
      text->push_back(static_cast<Unit>(0xDC00 | (code & 0x3FF)));
    } else {
      text->push_back(static_cast<Unit>(code));
    }
    i = next;
  }
}

// An odd last byte still makes a unit of its own, as its low byte, in either byte order. (Wine
// takes the other half from whatever memory follows the file's bytes: zero, as here, as
// often as not.)
void DecodeUtf16(const uint8_t* data, size_t size, bool bigEndian, Text* text) {
  size_t i = 0;
  for (; i + 1 < size; i += 2) {
    text->push_back(bigEndian ? static_cast<Unit>((data[i] << 8) | data[i + 1])
                              : static_cast<Unit>(data[i] | (data[i + 1] << 8)));
  }
  if (i < size) text->push_back(data[i]);
}

Text Decode(const uint8_t* data, size_t size) {
  Text text;
  text.reserve(size);
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    DecodeUtf16(data + 2, size - 2, false, &text);
  } else if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
    DecodeUtf16(data + 2, size - 2, true, &text);
  } else if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
    DecodeUtf8(data + 3, size - 3, &text);
  } else {
    for (size_t i = 0; i < size; ++i) text.push_back(FromAnsi(data[i]));
  }
  return text;
}

// Ctrl-Z counts as a blank, the usual ones do; no other control or Unicode space does.
bool IsBlank(Unit unit) {
  return unit == ' ' || unit == '\t' || unit == 0x0B || unit == 0x0C || unit == 0x1A;
}

bool IsQuote(Unit unit) { return unit == '"' || unit == '\''; }

Unit FoldCase(Unit unit) {
  return unit >= 'a' && unit <= 'z' ? static_cast<Unit>(unit - 32) : unit;
}

// A stretch of the decoded file: [begin, end).
struct Span {
  size_t begin;
  size_t end;
  size_t size() const { return end - begin; }
};

Span Trim(const Text& text, Span span) {
  while (span.begin < span.end && IsBlank(text[span.begin])) ++span.begin;
  while (span.end > span.begin && IsBlank(text[span.end - 1])) --span.end;
  return span;
}

Span CutAtNul(const Text& text, Span span) {
  for (size_t i = span.begin; i < span.end; ++i) {
    if (text[i] == 0) return Span{span.begin, i};
  }
  return span;
}

// What of a value or default of length characters fits a buffer of capacity (>= 1): offset
// and count. One enclosed in a pair of the same quote loses them, and when it fits with no
// room to spare for the closing quote it loses its last character as well.
struct Cut {
  size_t offset;
  size_t count;
};
Cut CutToFit(size_t length, bool quoted, uint32_t capacity) {
  size_t room = capacity - 1;
  if (!quoted) return Cut{0, length < room ? length : room};
  size_t count = length - 1 < room ? length - 1 : room;  // the closing quote included
  if (room >= length - 2 && count > 0) --count;
  return Cut{1, count};
}

bool IsQuoted(const Text& text, Span span) {
  return span.size() > 1 && IsQuote(text[span.begin]) && text[span.end - 1] == text[span.begin];
}

// A name the caller asks for, decoded and without its blanks at either end.
Text QueryName(const char* name) {
  Text units;
  for (const char* c = name; *c != '\0'; ++c) units.push_back(FromAnsi(static_cast<uint8_t>(*c)));
  Span span = Trim(units, Span{0, units.size()});
  return Text(units.begin() + static_cast<std::ptrdiff_t>(span.begin),
              units.begin() + static_cast<std::ptrdiff_t>(span.end));
}

bool SameName(const Text& text, Span span, const Text& name) {
  if (span.size() != name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (FoldCase(text[span.begin + i]) != FoldCase(name[i])) return false;
  }
  return true;
}

// The value of key in the first section named section; false when the key is absent there
// or has no value.
bool FindValue(const Text& text, const char* section, const char* key, Span* value) {
  Text sectionName = QueryName(section);
  Text keyName = QueryName(key);
  // The lines before the first section make up the section named "".
  bool inSection = sectionName.empty();
  size_t position = 0;
  while (position < text.size()) {
    size_t lineEnd = position;
    while (lineEnd < text.size() && text[lineEnd] != '\n' && text[lineEnd] != '\r') ++lineEnd;
    size_t start = position;
    position = lineEnd + 1;
    while (start < lineEnd && IsBlank(text[start])) ++start;
    if (start == lineEnd) continue;
    if (text[start] == '[') {
      size_t close = lineEnd;
      while (close > start + 1 && text[close - 1] != ']') --close;
      if (close > start + 1) {
        // Only the first section of the name counts.
        if (inSection) return false;
        Span name = CutAtNul(text, Trim(text, Span{start + 1, close - 1}));
        inSection = SameName(text, name, sectionName);
        continue;
      }
      // A '[' without a ']' after it starts a key like any other character.
    }
    if (!inSection) continue;
    size_t equals = start;
    while (equals < lineEnd && text[equals] != '=') ++equals;
    Span name = CutAtNul(text, Trim(text, Span{start, equals}));
    if (!SameName(text, name, keyName)) continue;
    if (equals == lineEnd) return false;
    *value = CutAtNul(text, Trim(text, Span{equals + 1, lineEnd}));
    return true;
  }
  return false;
}

// The default loses its trailing spaces (down to one character), then, when the file was
// opened, is cut like a value; when it was not, it keeps its quotes.
uint32_t CopyDefault(const char* defaultText, bool opened, char* buffer, uint32_t capacity) {
  const char* text = defaultText != nullptr ? defaultText : "";
  size_t length = std::strlen(text);
  while (length > 1 && text[length - 1] == ' ') --length;
  bool quoted =
      opened && length > 1 && (text[0] == '"' || text[0] == '\'') && text[length - 1] == text[0];
  Cut cut = CutToFit(length, quoted, capacity);
  std::memcpy(buffer, text + cut.offset, cut.count);
  buffer[cut.count] = '\0';
  return static_cast<uint32_t>(cut.count);
}

// The number is read from the value as it fits a buffer of 30 characters.
constexpr uint32_t kIntegerTextCapacity = 30;

uint32_t DigitValue(Unit unit) {
  if (unit >= '0' && unit <= '9') return unit - '0';
  if (unit >= 'a' && unit <= 'f') return unit - 'a' + 10;
  if (unit >= 'A' && unit <= 'F') return unit - 'A' + 10;
  return 99;
}

// Blanks and control characters, one sign, a lower-case prefix 0x, 0o or 0b, then the digits
// of that base as far as they go, in 32 bits that wrap.
uint32_t ParseInteger(const Text& text, Span span) {
  size_t i = span.begin;
  while (i < span.end && text[i] <= ' ') ++i;
  bool negative = false;
  if (i < span.end && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  uint32_t base = 10;
  if (span.end - i >= 2 && text[i] == '0') {
    Unit prefix = text[i + 1];
    base = prefix == 'x' ? 16 : prefix == 'o' ? 8 : prefix == 'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  uint32_t value = 0;
  for (; i < span.end; ++i) {
    uint32_t digit = DigitValue(text[i]);
    if (digit >= base) break;
    value = value * base + digit;
  }
  return negative ? 0u - value : value;
}

}  // namespace

uint32_t ProfileString(const uint8_t* data, size_t size, const char* section, const char* key,
                       const char* defaultText, char* buffer, uint32_t capacity) {
  if (capacity == 0) return 0;
  Text text = Decode(data, size);
  Span value;
  if (section == nullptr || key == nullptr || !FindValue(text, section, key, &value)) {
    return CopyDefault(defaultText, true, buffer, capacity);
  }
  Cut cut = CutToFit(value.size(), IsQuoted(text, value), capacity);
  for (size_t i = 0; i < cut.count; ++i) {
    buffer[i] = static_cast<char>(ToAnsi(text[value.begin + cut.offset + i]));
  }
  buffer[cut.count] = '\0';
  return static_cast<uint32_t>(cut.count);
}

uint32_t UnopenedProfileString(const char* defaultText, char* buffer, uint32_t capacity) {
  if (capacity == 0) return 0;
  return CopyDefault(defaultText, false, buffer, capacity);
}

uint32_t ProfileInt(const uint8_t* data, size_t size, const char* section, const char* key,
                    int32_t defaultValue) {
  Text text = Decode(data, size);
  Span value;
  if (section == nullptr || key == nullptr || !FindValue(text, section, key, &value)) {
    return static_cast<uint32_t>(defaultValue);
  }
  Cut cut = CutToFit(value.size(), IsQuoted(text, value), kIntegerTextCapacity);
  if (cut.count == 0) return static_cast<uint32_t>(defaultValue);
  size_t begin = value.begin + cut.offset;
  return ParseInteger(text, Span{begin, begin + cut.count});
}

}  // namespace sim
