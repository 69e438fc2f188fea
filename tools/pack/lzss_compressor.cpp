#include "tools/pack/lzss_compressor.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

#include "lzss/lzss_decoder.h"

namespace pack {

namespace {

constexpr int64_t kRingMask = lzss::kRingSize - 1;
constexpr int kMinMatch = lzss::kThreshold + 1;  // 3
constexpr int kMaxMatch = lzss::kMaxMatch;       // 18
constexpr int kLiteralBits = 9;
constexpr int kReferenceBits = 17;

constexpr int kHashBits = 16;
// Tree walks deeper than this give up (the strings there are simply not found). Text and
// binaries stay far below it; it bounds the time on input built to degrade the trees.
constexpr int kMaxDepth = 256;
constexpr int32_t kNoPosition = -1;
// Tree nodes are kept for twice the window, so a position's node survives as long as the
// position can be a source, a full ring back included.
constexpr int64_t kNodeMask = 2 * lzss::kRingSize - 1;
// Bytes behind the history that a word-wide comparison may read but never counts.
constexpr size_t kPadding = 8;

struct Match {
  int length;      // 0 when no match of kMinMatch or more exists
  int64_t source;  // index into the history
};

// Binary search trees of the window's strings (each cut at 18 bytes), one tree per hash of
// a 3-byte prefix, over the history: 4078 spaces, then the input. Index h of the history
// lands at ring position h & 0xFFF, so the input starts at ring position 4078 just as the
// decoder's output does.
//
// Each position enters as the root of its tree, the old tree split beneath it; so every node
// is newer than the nodes below it, and a node that has left the window takes only older
// ones with it. The longest match is always the string's neighbour in the sorted order, and
// both neighbours lie on the path the insertion walks, so the match found is the longest
// the window holds.
class MatchFinder {
 public:
  explicit MatchFinder(std::span<const uint8_t> input)
      : history_(lzss::kRingStart + CheckedSize(input) + kPadding, 0),
        head_(size_t{1} << kHashBits, kNoPosition),
        smaller_(kNodeMask + 1, kNoPosition),
        larger_(kNodeMask + 1, kNoPosition) {
    std::fill_n(history_.begin(), lzss::kRingStart, uint8_t{' '});
    std::copy(input.begin(), input.end(), history_.begin() + lzss::kRingStart);
    // Every source at or below 4060 reads 18 spaces, so 4060, the nearest of them, stands in
    // for the rest; and it stays in the window as long as any of them does.
    for (int64_t h = lzss::kRingStart - kMaxMatch; h < lzss::kRingStart; ++h) Walk(h);
  }

  // The longest match for input position i, entering i into the trees. Every position is
  // asked in turn, also those a caller does not need, so that the trees hold every string.
  Match Find(size_t i) { return Walk(lzss::kRingStart + static_cast<int64_t>(i)); }

 private:
  static size_t CheckedSize(std::span<const uint8_t> input) {
    if (input.size() > kMaxCompressInput) throw std::length_error("input too large to compress");
    return input.size();
  }

  static uint32_t Hash(const uint8_t* bytes) {
    uint32_t key = uint32_t{bytes[0]} << 16 | uint32_t{bytes[1]} << 8 | bytes[2];
    return (key * 0x9E3779B1u) >> (32 - kHashBits);
  }

  // How many bytes from the start the two strings share, given that the first `known` do,
  // at most `limit`. Compares a word at a time; the history is padded for the last words.
  static int CommonLength(const uint8_t* a, const uint8_t* b, int known, int limit) {
    int length = known;
    while (length < limit) {
      uint64_t wordA;
      uint64_t wordB;
      std::memcpy(&wordA, a + length, sizeof wordA);
      std::memcpy(&wordB, b + length, sizeof wordB);
      uint64_t differ = wordA ^ wordB;
      if (differ != 0) {
        int same = std::endian::native == std::endian::little ? std::countr_zero(differ)
                                                              : std::countl_zero(differ);
        return std::min(length + same / 8, limit);
      }
      length += static_cast<int>(sizeof wordA);
    }
    return limit;
  }

  Match Walk(int64_t h) {
    const int64_t end = static_cast<int64_t>(history_.size() - kPadding);
    const int limit = static_cast<int>(std::min<int64_t>(kMaxMatch, end - h));
    // The last two positions can start no reference; no later position searches either.
    if (limit < kMinMatch) return Match{0, 0};

    const uint8_t* target = history_.data() + h;
    // A source may be a full ring back: its slot is read before this reference writes it.
    const int64_t oldest = h - lzss::kRingSize;
    const uint32_t key = Hash(target);
    int64_t candidate = head_[key];
    head_[key] = static_cast<int32_t>(h);
    // Where the next smaller and the next larger string hang beneath the new root.
    int32_t* smallerLink = &smaller_[h & kNodeMask];
    int32_t* largerLink = &larger_[h & kNodeMask];
    // Every string left of the path shares smallerLength bytes with the target, every one
    // right of it largerLength; the shorter of the two needs no comparing again.
    int smallerLength = 0;
    int largerLength = 0;
    Match best{0, 0};
    int bestLength = kMinMatch - 1;
    for (int depth = 0;; ++depth) {
      if (candidate == kNoPosition || candidate < oldest || depth == kMaxDepth) {
        *smallerLink = kNoPosition;
        *largerLink = kNoPosition;
        break;
      }
      const uint8_t* source = history_.data() + candidate;
      // Copies may overlap the position being written, as the decoder's do, so comparing
      // in place is exact.
      int length = CommonLength(source, target, std::min(smallerLength, largerLength), limit);
      if (length > bestLength) {
        bestLength = length;
        best = Match{length, candidate};
      }
      if (length == limit) {
        // Equal as far as strings go here: the new position replaces the old one.
        *smallerLink = smaller_[candidate & kNodeMask];
        *largerLink = larger_[candidate & kNodeMask];
        break;
      }
      if (source[length] < target[length]) {
        *smallerLink = static_cast<int32_t>(candidate);
        smallerLink = &larger_[candidate & kNodeMask];
        candidate = *smallerLink;
        smallerLength = length;
      } else {
        *largerLink = static_cast<int32_t>(candidate);
        largerLink = &smaller_[candidate & kNodeMask];
        candidate = *largerLink;
        largerLength = length;
      }
    }
    return best;
  }

  std::vector<uint8_t> history_;
  std::vector<int32_t> head_;
  std::vector<int32_t> smaller_;
  std::vector<int32_t> larger_;
};

// Items go out in groups of eight behind their flag byte.
class StreamWriter {
 public:
  explicit StreamWriter(size_t inputSize) { out_.reserve(inputSize + inputSize / 8 + 1); }

  void Literal(uint8_t c) {
    uint8_t& flags = NextFlag();
    flags = static_cast<uint8_t>(flags | 1u << bit_++);
    out_.push_back(c);
  }

  void Reference(int64_t source, int length) {
    NextFlag();
    ++bit_;
    const uint32_t position = static_cast<uint32_t>(source & kRingMask);
    out_.push_back(static_cast<uint8_t>(position & 0xFF));
    out_.push_back(static_cast<uint8_t>((position >> 4 & 0xF0) | (length - kMinMatch)));
  }

  Bytes Take() { return std::move(out_); }

 private:
  uint8_t& NextFlag() {
    if (bit_ == 8) {
      flagAt_ = out_.size();
      out_.push_back(0);
      bit_ = 0;
    }
    return out_[flagAt_];
  }

  Bytes out_;
  size_t flagAt_ = 0;
  int bit_ = 8;
};

}  // namespace

Bytes CompressGreedy(std::span<const uint8_t> input) {
  MatchFinder finder(input);
  StreamWriter writer(input.size());
  for (size_t i = 0; i < input.size();) {
    Match match = finder.Find(i);
    if (match.length >= kMinMatch) {
      writer.Reference(match.source, match.length);
      // The covered positions still enter the trees.
      for (size_t k = 1; k < static_cast<size_t>(match.length); ++k) finder.Find(i + k);
      i += static_cast<size_t>(match.length);
    } else {
      writer.Literal(input[i]);
      ++i;
    }
  }
  return writer.Take();
}

// A reference covers every length from 3 up to its match's, at one price, so the longest
// match at each position is all the parse needs to know about it. Both coders get their
// matches from the same finder asked at every position, so the greedy parse is one of the
// paths this search weighs and the result never takes more bits; and since the flag bytes
// round the bit count up by less than one byte, never more bytes either.
Bytes Compress(std::span<const uint8_t> input) {
  const size_t n = input.size();
  struct Found {
    uint16_t ringPosition;
    uint8_t length;
  };
  std::vector<Found> found(n);
  {
    MatchFinder finder(input);
    for (size_t i = 0; i < n; ++i) {
      Match match = finder.Find(i);
      found[i] = Found{static_cast<uint16_t>(match.source & kRingMask),
                       static_cast<uint8_t>(match.length)};
    }
  }

  // bits[i]: the fewest bits that code input[i..n); step[i]: the item that achieves it,
  // 1 for a literal, otherwise the reference's length.
  std::vector<uint64_t> bits(n + 1, 0);
  std::vector<uint8_t> step(n, 1);
  for (size_t i = n; i-- > 0;) {
    uint64_t best = bits[i + 1] + kLiteralBits;
    uint8_t choice = 1;
    for (int length = kMinMatch; length <= found[i].length; ++length) {
      uint64_t cost = bits[i + static_cast<size_t>(length)] + kReferenceBits;
      if (cost < best) {
        best = cost;
        choice = static_cast<uint8_t>(length);
      }
    }
    bits[i] = best;
    step[i] = choice;
  }

  StreamWriter writer(n);
  for (size_t i = 0; i < n; i += step[i]) {
    if (step[i] == 1) {
      writer.Literal(input[i]);
    } else {
      writer.Reference(found[i].ringPosition, step[i]);
    }
  }
  return writer.Take();
}

}  // namespace pack
