// The three value types every layer passes around.
//
// Text is a code page 936 string that, like the C string it stands in for,
// ends at its first zero byte: every way of making one cuts there, so a Text
// never holds a zero byte. Bytes is a length-counted buffer that may hold
// anything (web bodies, file contents, UTF-16). TextList is an ordered list of
// texts.
#pragma once

#include <compare>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class Text {
 public:
  Text() = default;
  Text(const char* s) : value_(s ? s : "") {}  // NOLINT: implicit, like a C string
  Text(std::string_view s) : value_(s.substr(0, s.find('\0'))) {}  // NOLINT
  explicit Text(std::string&& s) : value_(std::move(s)) { cut_at_zero(); }
  explicit Text(const std::string& s) : Text(std::string_view(s)) {}

  const std::string& str() const { return value_; }
  std::string_view view() const { return value_; }
  const char* c_str() const { return value_.c_str(); }
  std::size_t size() const { return value_.size(); }
  bool empty() const { return value_.empty(); }
  unsigned char byte(std::size_t i) const { return static_cast<unsigned char>(value_[i]); }

  Text& operator+=(const Text& other) {
    value_ += other.value_;
    return *this;
  }
  friend Text operator+(Text a, const Text& b) { return a += b; }
  friend Text operator+(Text a, const char* b) { return a += Text(b); }
  friend Text operator+(const char* a, const Text& b) { return Text(a) += b; }

  friend bool operator==(const Text&, const Text&) = default;
  friend std::strong_ordering operator<=>(const Text& a, const Text& b) {
    return a.value_.compare(b.value_) <=> 0;
  }

 private:
  void cut_at_zero() {
    if (auto zero = value_.find('\0'); zero != std::string::npos) value_.resize(zero);
  }
  std::string value_;
};

// A byte buffer; distinct from Text so that binary data never passes for text by accident.
class Bytes {
 public:
  Bytes() = default;
  explicit Bytes(std::string data) : data_(std::move(data)) {}
  explicit Bytes(std::string_view data) : data_(data) {}

  const std::string& str() const { return data_; }
  std::string_view view() const { return data_; }
  const char* data() const { return data_.data(); }
  std::size_t size() const { return data_.size(); }
  bool empty() const { return data_.empty(); }

  void append(const char* p, std::size_t n) { data_.append(p, n); }
  void append(std::string_view s) { data_.append(s); }
  void clear() { data_.clear(); }
  std::string release() { return std::move(data_); }

  friend bool operator==(const Bytes&, const Bytes&) = default;

 private:
  std::string data_;
};

using TextList = std::vector<Text>;
