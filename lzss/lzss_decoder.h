// LZSS as the 1989 reference coder writes it: a 4096-byte ring, matches of 3 to 18 bytes,
// flag bits least significant first (1 = literal, 0 = two-byte ring reference).
#pragma once
#include <cstdint>

#include "platform/platform.h"

namespace lzss {

inline constexpr int kRingSize = 4096;
inline constexpr int kMaxMatch = 18;
inline constexpr int kThreshold = 2;
inline constexpr int kRingStart = kRingSize - kMaxMatch;  // 4078: first write position

class LzssDecoder {
 public:
  LzssDecoder();
  virtual ~LzssDecoder();
  // The next compressed byte 0..255, or -1 when the source is exhausted.
  virtual int GetByte() = 0;
  // Emits one decoded byte (the low 8 bits of c).
  virtual void PutByte(int c) = 0;
  // Decodes until GetByte() returns -1.
  void Decode();

 private:
  uint8_t ring_[kRingSize];
};

enum StreamError : int32_t {
  kStreamOk = 0,
  kStreamCreateFailed = 1,
  kStreamCloseFailed = 2,
  kStreamWriteFailed = 3,
};

// Decodes a compressed buffer in memory into a file it creates; the file is closed when the
// object is destroyed.
class BufferToFileDecoder : public LzssDecoder {
 public:
  BufferToFileDecoder(const uint8_t* data, int32_t size, const char* path);
  ~BufferToFileDecoder() override;
  BufferToFileDecoder(const BufferToFileDecoder&) = delete;
  BufferToFileDecoder& operator=(const BufferToFileDecoder&) = delete;

  int GetByte() override;
  void PutByte(int c) override;

  int TakeError();
  void SetError(int code);
  // The output file, open for writing while the object lives.
  platform::Handle FileHandle() const { return file_; }

 private:
  int32_t error_;
  platform::Handle file_;
  const uint8_t* data_;
  int32_t size_;
  int32_t position_;
  char path_[platform::kMaxPath];
};

}  // namespace lzss
