// A bounded character buffer that always stays NUL-terminated and cuts on overflow.
// Every fixed-width path or text field (260, 128, 80 bytes) is one of these, so no
// caller can write past its end.
#pragma once
#include <cstddef>
#include <cstdint>
#include <type_traits>

template <size_t Capacity>
class FixedString {
  static_assert(Capacity >= 1, "room for the terminating NUL");

 public:
  // constexpr, so that a static record of these needs no start-up code to be empty; at run
  // time only the first byte is cleared.
  constexpr FixedString() : length_(0) {
    if (std::is_constant_evaluated()) {
      for (char& c : text_) c = '\0';
    } else {
      text_[0] = '\0';
    }
  }

  const char* c_str() const { return text_; }
  size_t size() const { return length_; }
  bool empty() const { return length_ == 0; }
  static constexpr size_t capacity() { return Capacity; }

  void Clear() {
    length_ = 0;
    text_[0] = '\0';
  }

  // Each returns false when the text had to be cut; what fitted stays.
  bool Assign(const char* text) {
    Clear();
    return Append(text);
  }
  bool Append(const char* text) {
    while (*text != '\0') {
      if (!AppendChar(*text++)) return false;
    }
    return true;
  }
  bool AppendChar(char c) {
    if (length_ + 1 >= Capacity) return false;
    text_[length_++] = c;
    text_[length_] = '\0';
    return true;
  }
  // Decimal digits of value, zero-padded to at least minDigits (like "%08u").
  bool AppendDecimal(uint32_t value, int minDigits) {
    char digits[10];
    int count = 0;
    do {
      digits[count++] = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value != 0);
    for (int pad = count; pad < minDigits; ++pad) {
      if (!AppendChar('0')) return false;
    }
    while (count > 0) {
      if (!AppendChar(digits[--count])) return false;
    }
    return true;
  }

  // For platform calls that fill the buffer themselves; call Adopt() afterwards.
  char* buffer() { return text_; }
  // Takes the length from the buffer's contents, cutting at the last byte if unterminated.
  void Adopt() {
    text_[Capacity - 1] = '\0';
    length_ = 0;
    while (text_[length_] != '\0') ++length_;
  }

 private:
  char text_[Capacity];
  size_t length_ = 0;
};

// A Windows path: at most 259 characters and a NUL.
using PathBuffer = FixedString<260>;
