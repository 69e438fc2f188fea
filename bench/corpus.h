// The fixed corpus the benchmarks measure: generated from seeds, so every run on every
// machine compresses the same bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace bench {

using Bytes = std::vector<uint8_t>;

// Prose from a fixed word list, the more common words drawn more often, wrapped at 72
// columns into paragraphs.
Bytes EnglishText(size_t size, uint64_t seed);

// A Palm OS record database: the 78-byte header, the record list and address-book-like
// records (big-endian small integers, bit masks, time stamps and NUL-terminated names).
Bytes PalmDatabase(size_t size, uint64_t seed);

// Bytes without structure, like a file that is compressed already.
Bytes RandomBytes(size_t size, uint64_t seed);

}  // namespace bench
