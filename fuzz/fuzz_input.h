// Splits a fuzzer's input into the arguments of the operation under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  // One byte as a small number (0 when the input is used up).
  unsigned small() {
    if (rest_.empty()) return 0;
    const unsigned value = static_cast<unsigned char>(rest_.front());
    rest_.remove_prefix(1);
    return value;
  }
  bool flag() { return small() & 1; }

  // The bytes up to the next zero byte (which a Text could not hold anyway).
  std::string_view piece() {
    const std::size_t end = rest_.find('\0');
    const std::string_view piece = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return piece;
  }
  std::string_view rest() const { return rest_; }

 private:
  std::string_view rest_;
};
