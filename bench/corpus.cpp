#include "bench/corpus.h"

#include <array>
#include <string>
#include <string_view>

namespace bench {

namespace {

// splitmix64: small, and the same sequence everywhere (the standard distributions are not).
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}
  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // 0 .. bound-1 (bound small, so the bias is negligible).
  uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(Next() % bound); }

 private:
  uint64_t state_;
};

constexpr std::array<std::string_view, 170> kWords = {
    "the",       "of",      "and",         "to",          "a",        "in",      "is",
    "that",      "it",      "was",         "for",         "on",       "with",    "as",
    "be",        "at",      "by",          "this",        "had",      "not",     "are",
    "but",       "from",    "or",          "have",        "an",       "they",    "which",
    "one",       "you",     "were",        "her",         "all",      "she",     "there",
    "would",     "their",   "we",          "him",         "been",     "has",     "when",
    "who",       "will",    "more",        "no",          "if",       "out",     "so",
    "said",      "what",    "up",          "its",         "about",    "into",    "than",
    "them",      "can",     "only",        "other",       "new",      "some",    "could",
    "time",      "these",   "two",         "may",         "then",     "do",      "first",
    "any",       "my",      "now",         "such",        "like",     "our",     "over",
    "man",       "me",      "even",        "most",        "made",     "after",   "also",
    "did",       "many",    "before",      "must",        "through",  "back",    "years",
    "where",     "much",    "your",        "way",         "well",     "down",    "should",
    "because",   "each",    "just",        "those",       "people",   "how",     "too",
    "little",    "state",   "good",        "very",        "make",     "world",   "still",
    "own",       "see",     "men",         "work",        "long",     "get",     "here",
    "between",   "both",    "life",        "being",       "under",    "never",   "day",
    "same",      "another", "know",        "while",       "last",     "might",   "us",
    "great",     "old",     "year",        "off",         "come",     "since",   "against",
    "go",        "came",    "right",       "used",        "take",     "three",   "handheld",
    "organizer", "desktop", "synchronize", "application", "install",  "memory",  "record",
    "database",  "folder",  "computer",    "program",     "schedule", "address", "appointment",
    "calendar",  "contact", "battery",     "screen",      "stylus",   "cradle",  "conduit",
    "settings",  "category"};

// Rank r is drawn with weight 1 / (r + 1), roughly as words occur in prose.
class WordPicker {
 public:
  WordPicker() {
    double total = 0;
    for (size_t r = 0; r < kWords.size(); ++r) total += 1.0 / static_cast<double>(r + 1);
    double running = 0;
    for (size_t r = 0; r < kWords.size(); ++r) {
      running += 1.0 / static_cast<double>(r + 1) / total;
      cumulative_[r] = static_cast<uint32_t>(running * 4294967295.0);
    }
    cumulative_.back() = 0xFFFFFFFFu;
  }
  std::string_view Pick(Random& random) const {
    uint32_t u = static_cast<uint32_t>(random.Next() >> 32);
    size_t r = 0;
    while (cumulative_[r] < u) ++r;
    return kWords[r];
  }

 private:
  std::array<uint32_t, kWords.size()> cumulative_{};
};

void PutBe16(Bytes& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}

void PutBe32(Bytes& out, uint32_t value) {
  PutBe16(out, value >> 16);
  PutBe16(out, value & 0xFFFF);
}

void PutText(Bytes& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
  out.push_back(0);
}

constexpr std::array<std::string_view, 16> kFirstNames = {
    "Anna",  "Brian", "Carla", "David", "Elena", "Frank", "Grace", "Henry",
    "Irene", "James", "Karen", "Louis", "Maria", "Nigel", "Olga",  "Peter"};
constexpr std::array<std::string_view, 16> kLastNames = {
    "Anderson", "Baker",  "Carter", "Dawson",  "Ellis",  "Fischer", "Garcia", "Hughes",
    "Ingram",   "Jensen", "Keller", "Lambert", "Morgan", "Nolan",   "Owens",  "Parker"};
constexpr std::array<std::string_view, 8> kCompanies = {
    "Northwind Traders", "Blue Harbor Ltd", "Acorn Systems",    "Riverside Clinic",
    "Summit Partners",   "Oak Lane Books",  "Greenfield Farms", "Metro Couriers"};
constexpr std::array<std::string_view, 8> kCities = {"Springfield", "Riverton",   "Lakewood",
                                                     "Fairview",    "Greenville", "Madison",
                                                     "Clinton",     "Georgetown"};

std::string Digits(Random& random, int count) {
  std::string digits;
  for (int i = 0; i < count; ++i) digits.push_back(static_cast<char>('0' + random.Below(10)));
  return digits;
}

Bytes AddressRecord(Random& random, uint32_t index) {
  Bytes record;
  PutBe16(record, 0x0010 | random.Below(5));                // which phone label is shown
  PutBe32(record, 0x0001FFFF & ~random.Below(64));          // fields present
  record.push_back(static_cast<uint8_t>(random.Below(4)));  // company field index
  PutText(record, kLastNames[random.Below(kLastNames.size())]);
  PutText(record, kFirstNames[random.Below(kFirstNames.size())]);
  PutText(record, kCompanies[random.Below(kCompanies.size())]);
  PutText(record, "555-" + Digits(random, 4));
  PutText(record, "555-" + Digits(random, 4));
  PutText(record, std::to_string(10 + random.Below(990)) + " Main Street");
  PutText(record, kCities[random.Below(kCities.size())]);
  PutText(record, Digits(random, 5));
  // A date book part: small counters and seconds since 1904 that grow record by record.
  PutBe16(record, index);
  PutBe16(record, random.Below(8));
  PutBe32(record, 0xB5000000u + index * 3600u + random.Below(600));
  if (random.Below(4) == 0) PutText(record, "Call before noon");
  return record;
}

}  // namespace

Bytes EnglishText(size_t size, uint64_t seed) {
  Random random(seed);
  WordPicker picker;
  std::string text;
  text.reserve(size + 128);
  size_t column = 0;
  auto put = [&](std::string_view word) {
    if (column != 0 && column + 1 + word.size() > 72) {
      text.push_back('\n');
      column = 0;
    } else if (column != 0) {
      text.push_back(' ');
      ++column;
    }
    text.append(word);
    column += word.size();
  };
  while (text.size() < size) {
    int sentences = 3 + static_cast<int>(random.Below(6));
    for (int s = 0; s < sentences; ++s) {
      int words = 5 + static_cast<int>(random.Below(16));
      for (int w = 0; w < words; ++w) {
        std::string word(picker.Pick(random));
        if (w == 0) word[0] = static_cast<char>(word[0] - 'a' + 'A');
        if (w == words - 1) {
          uint32_t end = random.Below(10);
          word.push_back(end == 0 ? '?' : end == 1 ? '!' : '.');
        } else if (random.Below(12) == 0) {
          word.push_back(',');
        }
        put(word);
      }
    }
    text.append("\n\n");
    column = 0;
  }
  text.resize(size);
  return Bytes(text.begin(), text.end());
}

Bytes PalmDatabase(size_t size, uint64_t seed) {
  Random random(seed);
  std::vector<Bytes> records;
  size_t total = 78 + 2;
  while (total < size) {
    records.push_back(AddressRecord(random, static_cast<uint32_t>(records.size())));
    total += records.back().size() + 8;
  }
  Bytes out;
  out.reserve(total);
  std::string name = "AddressDB";
  name.resize(32, '\0');
  out.insert(out.end(), name.begin(), name.end());
  PutBe16(out, 0x0008);       // attributes: backup
  PutBe16(out, 1);            // version
  PutBe32(out, 0xB4F00000u);  // created, seconds since 1904
  PutBe32(out, 0xB5100000u);  // modified
  PutBe32(out, 0);            // last backup
  PutBe32(out, 0);            // modification number
  PutBe32(out, 0);            // application info
  PutBe32(out, 0);            // sort info
  out.insert(out.end(), {'D', 'A', 'T', 'A', 'a', 'd', 'd', 'r'});
  PutBe32(out, 0);  // unique id seed
  PutBe32(out, 0);  // next record list
  PutBe16(out, static_cast<uint32_t>(records.size()));
  uint32_t offset = static_cast<uint32_t>(out.size() + records.size() * 8 + 2);
  for (size_t i = 0; i < records.size(); ++i) {
    PutBe32(out, offset);
    out.push_back(static_cast<uint8_t>(0x40 | random.Below(16)));  // attributes, category
    uint32_t uniqueId = 0x6F0000u + static_cast<uint32_t>(i);
    out.push_back(static_cast<uint8_t>(uniqueId >> 16));
    PutBe16(out, uniqueId & 0xFFFF);
    offset += static_cast<uint32_t>(records[i].size());
  }
  PutBe16(out, 0);  // gap to the records
  for (const Bytes& record : records) out.insert(out.end(), record.begin(), record.end());
  out.resize(size);
  return out;
}

Bytes RandomBytes(size_t size, uint64_t seed) {
  Random random(seed);
  Bytes out(size);
  for (size_t i = 0; i < size; i += 8) {
    uint64_t value = random.Next();
    for (size_t k = 0; k < 8 && i + k < size; ++k)
      out[i + k] = static_cast<uint8_t>(value >> 8 * k);
  }
  return out;
}

}  // namespace bench
