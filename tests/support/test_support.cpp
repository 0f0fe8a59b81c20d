#include "tests/support/test_support.h"

#include <fstream>
#include <random>
#include <sstream>

#include "runtime/files.h"
#include "runtime/text_primitives.h"

namespace skinwall::testing {

ScopedTempDir::ScopedTempDir() {
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    native_ = base / ("skinwall-test-" + std::to_string(random()));
    if (std::filesystem::create_directory(native_)) break;
  }
  path_ = PathToText(native_);
}

ScopedTempDir::~ScopedTempDir() {
  std::error_code ignored;
  std::filesystem::permissions(native_, std::filesystem::perms::owner_all, ignored);
  std::filesystem::remove_all(native_, ignored);
}

Text ScopedTempDir::Child(std::string_view utf8_name) const { return JoinTexts(path_, Text("\\"), T(utf8_name)); }

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

}  // namespace skinwall::testing
