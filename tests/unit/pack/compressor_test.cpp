#include <gtest/gtest.h>

#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/pack/lzss_compressor.h"
#include "tools/pack/memory_decoder.h"

namespace {

using pack::Bytes;

constexpr int kRingSize = 4096;
constexpr int kRingStart = 4078;

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
  uint64_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 7;
    state_ ^= state_ << 17;
    return state_;
  }
  uint32_t Below(uint32_t bound) { return static_cast<uint32_t>(Next() % bound); }

 private:
  uint64_t state_;
};

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes RandomBytes(size_t size, uint64_t seed) {
  Random random(seed);
  Bytes out(size);
  for (uint8_t& b : out) b = static_cast<uint8_t>(random.Next() >> 24);
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

// What a stream does to the decoder's ring, item by item, watched from outside: the ring's
// first 4078 positions count as written from the start, the rest only once output reaches
// them.
struct Item {
  bool literal;
  size_t outputPosition;
  int length;
  int distance;  // how far back the source lies, 1..4096
};

struct StreamWalk {
  std::vector<Item> items;
  size_t decodedSize = 0;
  bool endsOnItemBoundary = true;
  std::vector<std::string> unwrittenReads;
};

StreamWalk WalkStream(const Bytes& stream) {
  StreamWalk walk;
  std::bitset<kRingSize> written;
  for (int i = 0; i < kRingStart; ++i) written.set(i);
  int r = kRingStart;
  size_t at = 0;
  while (at < stream.size()) {
    const uint8_t flags = stream[at++];
    if (at == stream.size()) walk.endsOnItemBoundary = false;  // a flag byte with no item
    for (int bit = 0; bit < 8 && at < stream.size(); ++bit) {
      if (flags >> bit & 1) {
        walk.items.push_back(Item{true, walk.decodedSize, 1, 0});
        written.set(r);
        r = (r + 1) % kRingSize;
        ++walk.decodedSize;
        ++at;
        continue;
      }
      if (at + 1 >= stream.size()) {
        walk.endsOnItemBoundary = false;
        at = stream.size();
        break;
      }
      const int i = stream[at];
      const int j = stream[at + 1];
      at += 2;
      const int p = i | (j & 0xF0) << 4;
      const int length = (j & 0x0F) + 3;
      int distance = (r - p + kRingSize) % kRingSize;
      walk.items.push_back(Item{false, walk.decodedSize, length, distance == 0 ? 4096 : distance});
      for (int k = 0; k < length; ++k) {
        const int q = (p + k) % kRingSize;
        if (!written.test(q)) {
          walk.unwrittenReads.push_back("output byte " + std::to_string(walk.decodedSize) +
                                        " reads ring position " + std::to_string(q));
        }
        written.set(r);
        r = (r + 1) % kRingSize;
        ++walk.decodedSize;
      }
    }
  }
  return walk;
}

struct Case {
  const char* name;
  Bytes input;
};

std::vector<Case> Inputs() {
  const Bytes block = RandomBytes(300, 11);
  const Bytes filler = RandomBytes(4096 - 300, 12);
  std::vector<Case> cases = {
      {"empty", {}},
      {"one byte", {0x41}},
      {"one space", {' '}},
      {"two bytes", {0x00, 0xFF}},
      {"run of one byte", Bytes(1000, 'a')},
      {"run of zeros across several rings", Bytes(3 * kRingSize + 5, 0)},
      {"text", Text("It was the best of times, it was the worst of times, it was the age of "
                    "wisdom, it was the age of foolishness, it was the epoch of belief, it was "
                    "the epoch of incredulity, it was the season of Light, it was the season of "
                    "Darkness.\r\n")},
      {"random", RandomBytes(10000, 1)},
      {"starts with spaces", Concat({Bytes(40, ' '), Text("then words  and    gaps     ")})},
      {"only spaces, more than the ring starts with", Bytes(5000, ' ')},
      {"exactly 18 bytes", Text("abcdefghijklmnopqr")},
      {"exactly 18 spaces", Bytes(18, ' ')},
      {"19 spaces", Bytes(19, ' ')},
      // The block comes back exactly one ring, one ring and one byte, and one ring less one
      // byte later: only the first and last are in reach.
      {"repeats across the window edge", Concat({block, filler, block, filler, Bytes{0x5A}, block,
                                                 RandomBytes(4095 - 300, 13), block})},
      {"ends in a short match", Text("abcabcabcabcab")},
  };
  Bytes all;
  for (int round = 0; round < 2; ++round) {
    for (int c = 0; c < 256; ++c) all.push_back(static_cast<uint8_t>(c));
  }
  cases.push_back({"all 256 byte values twice", all});
  return cases;
}

// Structured input of every kind of repetition: short alphabets, copies from near and far
// (past the window too), runs, spaces.
Bytes SweepInput(uint64_t seed) {
  Random random(seed);
  const uint32_t alphabet[] = {2, 4, 16, 256};
  const uint32_t letters = alphabet[random.Below(4)];
  const size_t size = random.Below(8) == 0 ? random.Below(20000) : random.Below(3000);
  Bytes out;
  while (out.size() < size) {
    switch (random.Below(4)) {
      case 0: {
        uint32_t n = 1 + random.Below(30);
        for (uint32_t k = 0; k < n; ++k) out.push_back(static_cast<uint8_t>(random.Below(letters)));
        break;
      }
      case 1:
        if (!out.empty()) {
          size_t distance =
              1 + random.Below(static_cast<uint32_t>(std::min<size_t>(out.size(), 5000)));
          uint32_t n = 3 + random.Below(40);
          for (uint32_t k = 0; k < n; ++k) out.push_back(out[out.size() - distance]);
        }
        break;
      case 2:
        out.insert(out.end(), 1 + random.Below(40), ' ');
        break;
      default:
        out.insert(out.end(), 1 + random.Below(25), static_cast<uint8_t>(random.Below(letters)));
        break;
    }
  }
  out.resize(size);
  return out;
}

struct Coder {
  const char* name;
  Bytes (*compress)(std::span<const uint8_t>);
};
const Coder kCoders[] = {{"Compress", &pack::Compress}, {"CompressGreedy", &pack::CompressGreedy}};

TEST(CompressorTest, EveryInputDecodesBackThroughTheLaunchersDecoder) {
  for (const Case& c : Inputs()) {
    for (const Coder& coder : kCoders) {
      SCOPED_TRACE(std::string(coder.name) + " on " + c.name);
      Bytes stream = coder.compress(c.input);
      EXPECT_EQ(pack::DecodeToMemory(stream), c.input);
      StreamWalk walk = WalkStream(stream);
      EXPECT_TRUE(walk.endsOnItemBoundary);
      EXPECT_EQ(walk.decodedSize, c.input.size());
    }
  }
}

TEST(CompressorTest, NoReferenceReadsTheRingsTailBeforeItIsWritten) {
  std::vector<Bytes> inputs;
  for (const Case& c : Inputs()) inputs.push_back(c.input);
  for (uint64_t seed = 1; seed <= 150; ++seed) inputs.push_back(SweepInput(seed));
  for (size_t n = 0; n < inputs.size(); ++n) {
    for (const Coder& coder : kCoders) {
      SCOPED_TRACE(std::string(coder.name) + " on input " + std::to_string(n));
      StreamWalk walk = WalkStream(coder.compress(inputs[n]));
      EXPECT_TRUE(walk.unwrittenReads.empty()) << walk.unwrittenReads.front();
    }
  }
}

// The walk above must be able to see the fault it looks for: a reference to ring position
// 4078 before anything was written there.
TEST(CompressorTest, TheRingWalkCatchesAReadOfTheUnwrittenTail) {
  EXPECT_EQ(WalkStream(Bytes{0x00, 0xEE, 0xF0}).unwrittenReads.size(), 3u);
  EXPECT_TRUE(WalkStream(Bytes{0x01, 0x41, 0xEE, 0xF0}).unwrittenReads.empty());
}

TEST(CompressorTest, OptimalIsNeverLargerThanGreedy) {
  std::vector<Bytes> inputs;
  for (const Case& c : Inputs()) inputs.push_back(c.input);
  for (uint64_t seed = 1000; seed < 1400; ++seed) inputs.push_back(SweepInput(seed));
  size_t optimalTotal = 0;
  size_t greedyTotal = 0;
  for (size_t n = 0; n < inputs.size(); ++n) {
    SCOPED_TRACE("input " + std::to_string(n) + " of " + std::to_string(inputs[n].size()) +
                 " bytes");
    Bytes optimal = pack::Compress(inputs[n]);
    Bytes greedy = pack::CompressGreedy(inputs[n]);
    EXPECT_LE(optimal.size(), greedy.size());
    EXPECT_EQ(pack::DecodeToMemory(optimal), inputs[n]);
    optimalTotal += optimal.size();
    greedyTotal += greedy.size();
  }
  EXPECT_LT(optimalTotal, greedyTotal);
}

// Greedy takes "abcd" from the first string and is left with "efgh...s" (two references);
// a literal 'a' and one reference to "bcdefgh...s" do it in fewer bits, with as many items.
TEST(CompressorTest, OptimalGivesUpAShortMatchForALongerOne) {
  Bytes input = Text(
      "XabcdY"
      "bcdefghijklmnopqrs"
      "Z"
      "abcdefghijklmnopqrs");
  Bytes optimal = pack::Compress(input);
  Bytes greedy = pack::CompressGreedy(input);
  EXPECT_EQ(optimal.size() + 1, greedy.size());
  EXPECT_EQ(pack::DecodeToMemory(optimal), input);
}

// The ring starts with 4078 spaces, so leading spaces cost one reference for every 18.
TEST(CompressorTest, LeadingSpacesComeFromTheRingsInitialSpaces) {
  struct Expect {
    size_t spaces;
    size_t size;
  };
  for (Expect e : {Expect{18, 3}, Expect{36, 5}, Expect{3, 3}}) {
    Bytes input(e.spaces, ' ');
    for (const Coder& coder : kCoders) {
      SCOPED_TRACE(std::string(coder.name) + " on " + std::to_string(e.spaces) + " spaces");
      Bytes stream = coder.compress(input);
      EXPECT_EQ(stream.size(), e.size);
      EXPECT_EQ(pack::DecodeToMemory(stream), input);
    }
  }
}

// A block seen exactly 4096 bytes earlier is still in the ring: its slot is read before the
// reference overwrites it. (One byte further is out of reach; the window-edge input above
// decodes only if the coders know it.)
TEST(CompressorTest, ASourceAFullRingBackIsUsed) {
  const Bytes block = RandomBytes(18, 21);
  Bytes input = Concat({block, RandomBytes(4096 - 18, 22), block});
  for (const Coder& coder : kCoders) {
    SCOPED_TRACE(coder.name);
    StreamWalk walk = WalkStream(coder.compress(input));
    ASSERT_FALSE(walk.items.empty());
    const Item& last = walk.items.back();
    EXPECT_FALSE(last.literal);
    EXPECT_EQ(last.outputPosition, 4096u);
    EXPECT_EQ(last.length, 18);
    EXPECT_EQ(last.distance, 4096);
  }
}

TEST(CompressorTest, RandomDataGrowsOnlyByItsFlagBytes) {
  Bytes input = RandomBytes(80000, 5);
  Bytes stream = pack::Compress(input);
  EXPECT_LE(stream.size(), input.size() + (input.size() + 7) / 8);
  EXPECT_GE(stream.size(), input.size());
}

}  // namespace
