// Compressors for the launcher's LZSS format: a 4096-byte ring whose first 4078 positions
// start as spaces and whose writing starts at 4078, references of 3 to 18 bytes given as an
// absolute ring position, flag bits least significant first (1 = literal).
//
// Both coders model the history the decoder sees: 4078 spaces followed by the input, with
// sources at most 4096 bytes back. Ring positions 4078..4095 hold nothing until the output
// reaches them, so no reference ever reads them before that.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

namespace pack {

using Bytes = std::vector<uint8_t>;

// The largest input either coder takes (positions are kept in 32 bits); larger input throws
// std::length_error. The launcher refuses streams of 2 GiB or more in any case.
inline constexpr size_t kMaxCompressInput = 0x7FFF0000;

// Greedy parsing: the longest match at each position, as the classic coder does. Kept as the
// baseline the optimal coder is measured against.
Bytes CompressGreedy(std::span<const uint8_t> input);

// Optimal parsing over the same matches: the fewest bits (9 per literal, 17 per reference)
// for the whole input. Never larger than CompressGreedy's output for the same input.
Bytes Compress(std::span<const uint8_t> input);

}  // namespace pack
