#include "runtime/text.h"

#include <string>

#include "runtime/run_time_error.h"
#include "runtime/source_text.h"

namespace skinwall {

Text::Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}

namespace {

[[noreturn]] void IndexError(int32_t index) {
  if (index < 1) RunTimeError(kErrorIndexBelowOne, TextFromUtf8("数组成员引用下标必须大于等于1"));
  RunTimeError(kErrorIndexAboveCount, TextFromUtf8("数组成员引用下标超出定义范围"));
}

}  // namespace

void ReportOutOfMemory(std::size_t bytes) {
  // Formatting the message needs a little memory of its own; the request that
  // failed is normally far larger than that.
  std::string message = "分配 " + std::to_string(bytes) + " 字节内存失败!";
  RunTimeError(kErrorNone, TextFromUtf8(message));
}

int32_t ByteSet::At(int32_t index) const {
  if (index < 1 || index > size()) IndexError(index);
  return bytes_[index - 1];
}

void ByteSet::SetAt(int32_t index, int32_t value) {
  if (index < 1 || index > size()) IndexError(index);
  bytes_[index - 1] = static_cast<uint8_t>(value & 0xFF);
}

const Text& TextArray::At(int32_t index) const {
  if (index < 1 || index > ElementCount(*this)) IndexError(index);
  return elements_[index - 1];
}

Text& TextArray::At(int32_t index) {
  if (index < 1 || index > ElementCount(*this)) IndexError(index);
  return elements_[index - 1];
}

}  // namespace skinwall
