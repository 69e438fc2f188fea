#include "lzss/lzss_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/sim/world.h"

namespace {

using Bytes = std::vector<uint8_t>;
constexpr const char kOut[] = "C:\\OUT.BIN";

Bytes Hex(const std::string& text) {
  Bytes bytes;
  for (size_t i = 0; i + 1 < text.size() + 1; i += 3) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

class LzssDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(); }
  void TearDown() override { EXPECT_EQ(sim::TheWorld().OpenHandleCount(), 0u); }

  // Decodes through the real file stream into the simulated file system.
  Bytes DecodeToFile(const Bytes& compressed, int* error = nullptr) {
    {
      lzss::BufferToFileDecoder decoder(compressed.data(), static_cast<int32_t>(compressed.size()),
                                        kOut);
      EXPECT_EQ(decoder.TakeError(), lzss::kStreamOk);
      decoder.Decode();
      int code = decoder.TakeError();
      if (error != nullptr) *error = code;
    }
    const sim::FileRecord* file = sim::TheWorld().Find(kOut);
    return file ? file->data : Bytes{};
  }
};

struct Example {
  const char* name;
  std::string compressed;
  Bytes decoded;
};

Bytes Repeat(uint8_t value, size_t count) { return Bytes(count, value); }
Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST_F(LzssDecoderTest, DecodesTheWorkedExamplesAndEdgeCases) {
  const Example examples[] = {
      {"eight literals under one flag byte", "FF 41 42 43 44 45 46 47 48",
       Hex("41 42 43 44 45 46 47 48")},
      {"overlapping reference at the write position", "01 41 EE F0", Repeat(0x41, 4)},
      {"reference into the space-filled ring", "00 00 00", Repeat(0x20, 3)},
      {"largest count, then a literal", "02 00 0F 5A", Concat(Repeat(0x20, 18), {0x5A})},
      {"stream ends inside a reference", "01 41 EE", {0x41}},
      {"empty input", "", {}},
      {"stream ends right after a flag byte", "FF 41 42 43 44 45 46 47 48 FF",
       Hex("41 42 43 44 45 46 47 48")},
      {"stream ends after a flag byte alone", "FF", {}},
      {"eight references take one flag byte",
       "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 01 41",
       Concat(Repeat(0x20, 24), {0x41})},
      {"literal flag bits are read least significant first", "FE 00 00 41",
       Concat(Repeat(0x20, 3), {0x41})},
      // Eighteen literals fill 4078..4095, so r wraps to 0; the reference reads 4094, 4095
      // and then the two bytes it has just written at 0 and 1.
      {"reference wrapping past 4095",
       "FF 61 62 63 64 65 66 67 68 FF 69 6A 6B 6C 6D 6E 6F 70 03 71 72 FE F1",
       Concat(Hex("61 62 63 64 65 66 67 68 69 6A 6B 6C 6D 6E 6F 70 71 72"), Hex("71 72 71 72"))},
  };
  for (const Example& example : examples) {
    SCOPED_TRACE(example.name);
    sim::Reset();
    EXPECT_EQ(DecodeToFile(Hex(example.compressed)), example.decoded);
  }
}

TEST_F(LzssDecoderTest, ReplacesAnExistingFile) {
  sim::TheWorld().AddFile(kOut, Bytes(100, 'x'));
  EXPECT_EQ(DecodeToFile(Hex("FF 41")), Bytes{0x41});
}

TEST_F(LzssDecoderTest, AWriteFailureStaysRecordedWhenLaterWritesSucceed) {
  sim::TheWorld().FailCall(sim::Op::kWriteBytes, 2);
  int error = 0;
  Bytes written = DecodeToFile(Hex("FF 41 42 43 44"), &error);
  EXPECT_EQ(error, lzss::kStreamWriteFailed);
  EXPECT_EQ(written, Hex("41 43 44"));  // decoding went on past the failed byte
}

TEST_F(LzssDecoderTest, WritesOneByteAtATime) {
  DecodeToFile(Hex("01 41 EE F5"));
  EXPECT_EQ(sim::TheWorld().CallCount(sim::Op::kWriteBytes), 9);
}

TEST_F(LzssDecoderTest, ReportsAFileItCannotCreate) {
  sim::TheWorld().FailOnPath(sim::Op::kCreateOutputFile, kOut);
  Bytes input = Hex("FF 41");
  lzss::BufferToFileDecoder decoder(input.data(), 2, kOut);
  EXPECT_EQ(decoder.TakeError(), lzss::kStreamCreateFailed);
  EXPECT_EQ(decoder.TakeError(), lzss::kStreamOk);  // taking the error clears it
  EXPECT_EQ(decoder.FileHandle(), platform::kNoHandle);
}

TEST_F(LzssDecoderTest, HoldsTheOutputUnsharedUntilDestroyed) {
  Bytes input = Hex("FF 41");
  {
    lzss::BufferToFileDecoder decoder(input.data(), 2, kOut);
    ASSERT_NE(decoder.FileHandle(), platform::kNoHandle);
    EXPECT_EQ(platform::OpenInputFile(kOut), platform::kNoHandle);
    EXPECT_EQ(sim::TheWorld().OpenHandleCount(), 1u);
    decoder.SetError(lzss::kStreamCloseFailed);
    EXPECT_EQ(decoder.TakeError(), lzss::kStreamCloseFailed);
  }
  EXPECT_EQ(sim::TheWorld().OpenHandleCount(), 0u);
}

// A memory sink whose input can be replaced, to run two streams through one object.
class MemoryDecoder : public lzss::LzssDecoder {
 public:
  int GetByte() override { return next_ < in.size() ? in[next_++] : -1; }
  void PutByte(int c) override { out.push_back(static_cast<uint8_t>(c)); }
  void Restart(const Bytes& input) {
    in = input;
    next_ = 0;
    out.clear();
  }
  Bytes in, out;

 private:
  size_t next_ = 0;
};

TEST_F(LzssDecoderTest, RefillsTheSpacesForEveryStream) {
  MemoryDecoder decoder;
  // 24 literals: the ring wraps and overwrites positions 0..5.
  decoder.Restart(
      Hex("FF 41 41 41 41 41 41 41 41 FF 41 41 41 41 41 41 41 41 FF 41 41 41 41 41 "
          "41 41 41"));
  decoder.Decode();
  ASSERT_EQ(decoder.out.size(), 24u);
  decoder.Restart(Hex("00 00 00"));
  decoder.Decode();
  EXPECT_EQ(decoder.out, Repeat(0x20, 3));
}

TEST_F(LzssDecoderTest, ReadsTheUnwrittenTailAsZeros) {
  MemoryDecoder decoder;
  decoder.Restart(Hex("00 EE F0"));
  decoder.Decode();
  EXPECT_EQ(decoder.out, Repeat(0x00, 3));
}

}  // namespace
