// The three value types every routine is written in: Text (code page 936
// bytes without a zero byte), ByteSet (counted bytes) and TextArray (texts
// indexed from 1). All three behave like std::string: copies are independent
// and every primitive returns a fresh value.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace skinwall {

[[noreturn]] void ReportOutOfMemory(std::size_t bytes);

// Allocator of the value types: a request the system cannot satisfy ends the
// program through the run-time error for exhausted memory.
template <class T>
struct RuntimeAllocator {
  using value_type = T;
  RuntimeAllocator() noexcept = default;
  template <class U>
  RuntimeAllocator(const RuntimeAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    void* p = std::malloc(n * sizeof(T) == 0 ? 1 : n * sizeof(T));
    if (p == nullptr) ReportOutOfMemory(n * sizeof(T));
    return static_cast<T*>(p);
  }
  void deallocate(T* p, std::size_t) noexcept { std::free(p); }
  friend bool operator==(const RuntimeAllocator&, const RuntimeAllocator&) { return true; }
};

using TextBytes = std::basic_string<char, std::char_traits<char>, RuntimeAllocator<char>>;

class Text {
 public:
  Text() = default;
  // Takes the bytes up to the first zero byte.
  explicit Text(std::string_view bytes);
  explicit Text(const char* bytes) : Text(std::string_view(bytes == nullptr ? "" : bytes)) {}

  std::string_view view() const { return {bytes_.data(), bytes_.size()}; }
  const char* c_str() const { return bytes_.c_str(); }
  int32_t size() const { return static_cast<int32_t>(bytes_.size()); }
  bool empty() const { return bytes_.empty(); }
  // The byte at 1-based position, as 0..255; the caller keeps it in range.
  uint8_t byte(int32_t position) const { return static_cast<uint8_t>(bytes_[position - 1]); }

  friend bool operator==(const Text& a, const Text& b) { return a.bytes_ == b.bytes_; }

 private:
  TextBytes bytes_;
};

class ByteSet {
 public:
  ByteSet() = default;
  explicit ByteSet(std::string_view bytes) : bytes_(bytes.begin(), bytes.end()) {}
  ByteSet(std::initializer_list<uint8_t> bytes) : bytes_(bytes) {}

  int32_t size() const { return static_cast<int32_t>(bytes_.size()); }
  bool empty() const { return bytes_.empty(); }
  const uint8_t* data() const { return bytes_.data(); }
  uint8_t* data() { return bytes_.data(); }
  std::string_view view() const {
    return {reinterpret_cast<const char*>(bytes_.data()), bytes_.size()};
  }
  void Resize(int32_t count) { bytes_.resize(count < 0 ? 0 : static_cast<std::size_t>(count)); }
  void Append(std::string_view bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  }

  // Element access from 1; an index below 1 is run-time error 4, one above
  // the length run-time error 1.
  int32_t At(int32_t index) const;
  // Stores the low 8 bits of value.
  void SetAt(int32_t index, int32_t value);

  friend bool operator==(const ByteSet& a, const ByteSet& b) { return a.bytes_ == b.bytes_; }

 private:
  std::vector<uint8_t, RuntimeAllocator<uint8_t>> bytes_;
};

class TextArray {
 public:
  TextArray() = default;
  TextArray(std::initializer_list<Text> elements) : elements_(elements) {}

  // Element access from 1, checked as for ByteSet.
  const Text& At(int32_t index) const;
  Text& At(int32_t index);

  friend int32_t ElementCount(const TextArray& array) {
    return static_cast<int32_t>(array.elements_.size());
  }
  friend void AppendText(TextArray& array, const Text& text) { array.elements_.push_back(text); }
  friend bool operator==(const TextArray&, const TextArray&) = default;

 private:
  std::vector<Text, RuntimeAllocator<Text>> elements_;
};

}  // namespace skinwall
