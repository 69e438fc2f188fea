// Any byte string is a stream: the decoder must stay inside its ring and its input, and
// never produce more than eighteen bytes per two input bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "lzss/lzss_decoder.h"

namespace {

class CountingDecoder : public lzss::LzssDecoder {
 public:
  CountingDecoder(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  int GetByte() override { return next_ < size_ ? data_[next_++] : -1; }
  void PutByte(int c) override {
    if (c < 0 || c > 255) std::abort();
    ++emitted;
  }
  size_t emitted = 0;

 private:
  const uint8_t* data_;
  size_t size_;
  size_t next_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CountingDecoder decoder(data, size);
  decoder.Decode();
  if (decoder.emitted > size * 9) std::abort();
  return 0;
}
