// UTF-8 to code page 936 and the folder test, through the system functions.
#include <gtest/gtest.h>

#include <fstream>

#include "text/code_page.h"
#include "tests/support/test_support.h"

namespace skinwall {
namespace {

using testing::Raw;
using testing::ScopedTempDir;

TEST(CodePage, Conversions) {
  EXPECT_EQ(Utf8ToAnsi(Text("plain ASCII 123")), Text("plain ASCII 123"));
  EXPECT_EQ(Utf8ToAnsi(Raw("\xE4\xB8\xAD")), Raw("\xD6\xD0"));
  EXPECT_EQ(Utf8ToAnsi(Text()), Text());
  EXPECT_EQ(TextToWide(Raw("\xE4\xB8\xAD")), (ByteSet{0x2D, 0x4E, 0, 0}));
  EXPECT_EQ(TextToWide(Text("a")), (ByteSet{'a', 0, 0, 0}));
  EXPECT_EQ(WideToText(ByteSet{0x2D, 0x4E, 0, 0}, 936), Raw("\xD6\xD0"));
  EXPECT_EQ(TextToWide(Raw("\xD6\xD0"), 936), (ByteSet{0x2D, 0x4E, 0, 0}));
  EXPECT_EQ(WideToText(ByteSet{}), Text());
  EXPECT_EQ(WideToText(ByteSet{0, 0}), Text());
}

TEST(CodePage, MalformedAndMissingCharactersGiveSubstitutes) {
  // 한 (U+D55C) has no code page 936 form.
  EXPECT_EQ(Utf8ToAnsi(Raw("a\xED\x95\x9C" "b")), Text("a?b"));
  // Malformed UTF-8 never stops the conversion or reads past the text.
  const Text broken = Utf8ToAnsi(Raw("a\xE4\xB8" "b\xFF" "c\xE4"));
  EXPECT_EQ(broken.view().front(), 'a');
  EXPECT_NE(broken.view().find('b'), std::string_view::npos);
  EXPECT_NE(broken.view().find('c'), std::string_view::npos);
  // A wide text without its zero unit, and an odd byte, stay within bounds.
  EXPECT_EQ(WideToText(ByteSet{'a', 0, 'b', 0, 'c'}, 936), Text("ab"));
}

TEST(CodePage, IsDirectory) {
  ScopedTempDir temp;
  std::ofstream(temp.native() / "file.txt") << "x";
  std::filesystem::create_directory(temp.native() / std::u8string(u8"英雄"));
  EXPECT_TRUE(IsDirectory(temp.path()));
  EXPECT_TRUE(IsDirectory(temp.Child("英雄")));
  EXPECT_FALSE(IsDirectory(temp.Child("file.txt")));
  EXPECT_FALSE(IsDirectory(temp.Child("missing")));
  EXPECT_FALSE(IsDirectory(Text()));
}

}  // namespace
}  // namespace skinwall
