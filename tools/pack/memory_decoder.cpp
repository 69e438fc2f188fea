#include "tools/pack/memory_decoder.h"

#include <utility>

namespace pack {

int MemoryDecoder::GetByte() {
  if (position_ >= stream_.size()) return -1;
  return stream_[position_++];
}

void MemoryDecoder::PutByte(int c) { output_.push_back(static_cast<uint8_t>(c & 0xFF)); }

std::vector<uint8_t> DecodeToMemory(std::span<const uint8_t> stream) {
  MemoryDecoder decoder(stream);
  decoder.Decode();
  return std::move(decoder.Output());
}

}  // namespace pack
