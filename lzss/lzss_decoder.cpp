#include "lzss/lzss_decoder.h"

namespace lzss {

// Positions 4078..4095 are never filled by Decode(); a stream from the reference coder
// writes them before it reads them. Zeroing them once keeps a hostile stream deterministic.
LzssDecoder::LzssDecoder() {
  for (uint8_t& slot : ring_) slot = 0;
}

LzssDecoder::~LzssDecoder() = default;

void LzssDecoder::Decode() {
  for (int i = 0; i < kRingStart; ++i) ring_[i] = ' ';
  int r = kRingStart;
  unsigned flags = 0;
  for (;;) {
    flags >>= 1;
    if ((flags & 0x100) == 0) {
      int c = GetByte();
      if (c < 0) return;
      flags = static_cast<unsigned>(c) | 0xFF00;
    }
    if (flags & 1) {
      int c = GetByte();
      if (c < 0) return;
      PutByte(c);
      ring_[r] = static_cast<uint8_t>(c);
      r = (r + 1) & (kRingSize - 1);
      continue;
    }
    int i = GetByte();
    if (i < 0) return;
    int j = GetByte();
    if (j < 0) return;
    int p = i | ((j & 0xF0) << 4);
    int count = (j & 0x0F) + kThreshold + 1;
    for (int k = 0; k < count; ++k) {
      uint8_t c = ring_[(p + k) & (kRingSize - 1)];
      PutByte(c);
      ring_[r] = c;
      r = (r + 1) & (kRingSize - 1);
    }
  }
}

BufferToFileDecoder::BufferToFileDecoder(const uint8_t* data, int32_t size, const char* path)
    : error_(kStreamOk), file_(platform::kNoHandle), data_(data), size_(size), position_(0) {
  uint32_t n = 0;
  for (; n < platform::kMaxPath - 1 && path[n] != '\0'; ++n) path_[n] = path[n];
  path_[n] = '\0';
  file_ = platform::CreateOutputFile(path_);
  if (file_ == platform::kNoHandle) error_ = kStreamCreateFailed;
}

BufferToFileDecoder::~BufferToFileDecoder() {
  if (file_ != platform::kNoHandle && !platform::CloseFile(file_)) error_ = kStreamCloseFailed;
}

int BufferToFileDecoder::GetByte() {
  if (position_ >= size_) return -1;  // a negative size reads as empty
  return data_[position_++];
}

void BufferToFileDecoder::PutByte(int c) {
  uint8_t byte = static_cast<uint8_t>(c & 0xFF);
  uint32_t written = 0;
  if (!platform::WriteBytes(file_, &byte, 1, &written) || written != 1) error_ = kStreamWriteFailed;
}

int BufferToFileDecoder::TakeError() {
  int code = error_;
  error_ = kStreamOk;
  return code;
}

void BufferToFileDecoder::SetError(int code) { error_ = code; }

}  // namespace lzss
