// Helpers shared by the tests: code page 936 texts from UTF-8 literals, a
// fresh temporary folder per test, and the exit of a fatal run-time error.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "runtime/source_text.h"
#include "runtime/text.h"

namespace skinwall::testing {

// A Text from a UTF-8 literal (converted to code page 936).
inline Text T(std::string_view utf8) { return TextFromUtf8(utf8); }
// A Text of raw bytes, zero bytes cut as Text does.
inline Text Raw(std::string_view bytes) { return Text(bytes); }

// How a death test sees the fatal end: exit code -1 (255 on POSIX).
inline bool FatalExit(int status) {
  return ::testing::ExitedWithCode(255)(status) || ::testing::ExitedWithCode(-1)(status);
}

// Whether the tests run under Wine, whose platform objects and process
// start-up lack a few features; tests of those are skipped there.
bool RunningUnderWine();

// A new empty folder under the system's temporary folder, removed with its contents at the end.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::filesystem::path& native() const { return native_; }
  // The folder as the system writes paths: a Text with "\" separators.
  const Text& path() const { return path_; }
  // path() + "\" + name (name in UTF-8).
  Text Child(std::string_view utf8_name) const;

 private:
  std::filesystem::path native_;
  Text path_;
};

// The whole content of a file, or "<missing>".
std::string ReadFile(const std::filesystem::path& path);

}  // namespace skinwall::testing
