// Decoding into memory for the packaging tool: the launcher's own decoder loop, fed from a
// buffer and collecting its output in a vector instead of a file.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "lzss/lzss_decoder.h"

namespace pack {

class MemoryDecoder : public lzss::LzssDecoder {
 public:
  explicit MemoryDecoder(std::span<const uint8_t> stream) : stream_(stream) {}

  int GetByte() override;
  void PutByte(int c) override;

  std::vector<uint8_t>& Output() { return output_; }

 private:
  std::span<const uint8_t> stream_;
  size_t position_ = 0;
  std::vector<uint8_t> output_;
};

// The bytes the launcher would extract from this stream.
std::vector<uint8_t> DecodeToMemory(std::span<const uint8_t> stream);

}  // namespace pack
