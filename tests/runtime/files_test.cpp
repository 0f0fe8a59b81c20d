// The program's folder and the file primitives, each test in a fresh folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "runtime/files.h"
#include "runtime/source_text.h"
#include "runtime/text_primitives.h"
#include "tests/support/test_support.h"

namespace skinwall {
namespace {

namespace fs = std::filesystem;
using testing::Raw;
using testing::ReadFile;
using testing::ScopedTempDir;
using testing::T;

fs::path U8(std::string_view utf8) { return fs::path(std::u8string(utf8.begin(), utf8.end())); }

TEST(DirectoryOf, Table) {
  const std::string long_folder = "C:\\" + std::string(300, 'x');
  struct Case {
    const char* name;
    Text path, expected;
  } cases[] = {
      {"folder", Text("C:\\Tools\\fetch.exe"), Text("C:\\Tools")},
      {"drive root", Text("D:\\fetch.exe"), Text("D:")},
      {"no backslash", Text("fetch.exe"), Text()},
      {"0x5C second byte is no separator", T("C:\\乗\\乗.exe"), T("C:\\乗")},
      {"second byte only", T("乗.exe"), Text()},
      {"longer than 260 bytes", Text(long_folder + "\\fetch.exe"), Text(long_folder)},
  };
  ASSERT_EQ(T("乗"), Raw("\x81\x5C"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DirectoryOf(c.path), c.expected);
  }
}

TEST(RunDirectory, IsTheFolderOfTheRunningProgram) {
  const Text run_directory = RunDirectory();
  EXPECT_NE(CharCode(run_directory, TextLength(run_directory)), '\\');
  EXPECT_TRUE(FileExists(JoinTexts(run_directory, Text("\\runtime_test*"))));
}

// The run directory is taken from the whole program path however long it is:
// a copy of a small program in a folder far deeper than 260 bytes reports it.
TEST(RunDirectory, TakesTheWholeLongPath) {
  if (testing::RunningUnderWine()) GTEST_SKIP() << "Wine starts no program whose path passes 260 characters";
  ScopedTempDir temp;
  fs::path probe;
  for (const auto& entry : fs::directory_iterator(NativePath(RunDirectory()))) {
    if (entry.path().filename().string().rfind("run_directory_probe", 0) == 0) probe = entry.path();
  }
  ASSERT_FALSE(probe.empty());
  fs::path deep = temp.native();
  for (int i = 0; i < 8; ++i) deep /= std::string(40, static_cast<char>('a' + i));
  fs::create_directories(deep);
  fs::copy_file(probe, deep / probe.filename());
  const fs::path report = temp.native() / "report.txt";
  const std::string command = (deep / probe.filename()).string() + " " + report.string();
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_EQ(ReadFile(report), TextToUtf8(PathToText(deep)));
}

TEST(MakeDirectory, CreatesExactlyOneLevel) {
  ScopedTempDir temp;
  EXPECT_TRUE(MakeDirectory(temp.Child("甲")));
  EXPECT_TRUE(fs::is_directory(temp.native() / U8("甲")));
  EXPECT_FALSE(MakeDirectory(temp.Child("甲"))) << "exists already";
  EXPECT_FALSE(MakeDirectory(temp.Child("缺\\乙"))) << "parent missing";
  EXPECT_FALSE(fs::exists(temp.native() / U8("缺")));
  EXPECT_FALSE(MakeDirectory(Text()));
}

TEST(FileExists, DirectorySearch) {
  ScopedTempDir temp;
  std::ofstream(temp.native() / U8("皮肤.jpg")) << "x";
  fs::create_directory(temp.native() / U8("英雄"));
  struct Case {
    const char* name;
    Text path;
    bool expected;
  } cases[] = {
      {"file", temp.Child("皮肤.jpg"), true},
      {"folder", temp.Child("英雄"), true},
      {"missing", temp.Child("无.jpg"), false},
      {"missing folder on the way", temp.Child("无\\皮肤.jpg"), false},
      {"star", temp.Child("*.jpg"), true},
      {"star matching nothing", temp.Child("*.png"), false},
      {"question mark is one character", temp.Child("皮?.jpg"), true},
      {"question mark needs a character", temp.Child("皮肤?.jpg"), false},
      {"empty path", Text(), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FileExists(c.path), c.expected);
  }
}

TEST(WriteBytesToFile, CreatesTruncatesAndFails) {
  ScopedTempDir temp;
  const fs::path picture = temp.native() / U8("甲.jpg");
  EXPECT_TRUE(WriteBytesToFile(temp.Child("甲.jpg"), ByteSet{'a', 0, 'b'}));
  EXPECT_EQ(ReadFile(picture), std::string("a\0b", 3));

  const ByteSet one{'1'}, two{'2', '2'}, none;
  EXPECT_TRUE(WriteBytesToFile(temp.Child("甲.jpg"), {&one, &none, &two}));
  EXPECT_EQ(ReadFile(picture), "122");

  EXPECT_TRUE(WriteBytesToFile(temp.Child("甲.jpg"), ByteSet{})) << "an empty byte set truncates";
  EXPECT_EQ(ReadFile(picture), "");
  EXPECT_TRUE(WriteBytesToFile(temp.Child("新.jpg"), ByteSet{}));
  EXPECT_EQ(ReadFile(temp.native() / U8("新.jpg")), "");

  EXPECT_FALSE(WriteBytesToFile(temp.Child("无\\甲.jpg"), ByteSet{'x'}));
  EXPECT_FALSE(fs::exists(temp.native() / U8("无")));
  EXPECT_FALSE(WriteBytesToFile(Text(), ByteSet{'x'}));
  fs::create_directory(temp.native() / "folder");
  EXPECT_FALSE(WriteBytesToFile(temp.Child("folder"), ByteSet{'x'})) << "a folder is no file";
}

TEST(RenameToNewName, NeverReplaces) {
  ScopedTempDir temp;
  std::ofstream(temp.native() / "a.tmp") << "new";
  std::ofstream(temp.native() / U8("甲.jpg")) << "old";
  EXPECT_FALSE(RenameToNewName(temp.Child("a.tmp"), temp.Child("甲.jpg")));
  EXPECT_EQ(ReadFile(temp.native() / U8("甲.jpg")), "old");
  EXPECT_EQ(ReadFile(temp.native() / "a.tmp"), "new");
  EXPECT_TRUE(RenameToNewName(temp.Child("a.tmp"), temp.Child("乙.jpg")));
  EXPECT_EQ(ReadFile(temp.native() / U8("乙.jpg")), "new");
  EXPECT_FALSE(fs::exists(temp.native() / "a.tmp"));
  EXPECT_FALSE(RenameToNewName(temp.Child("missing"), temp.Child("丙.jpg")));
  EXPECT_TRUE(DeleteFileAt(temp.Child("乙.jpg")));
  EXPECT_FALSE(DeleteFileAt(temp.Child("乙.jpg")));
}

// 乗 is 81 5C in code page 936: its second byte is a backslash byte, which
// must stay inside the name.
TEST(Paths, SecondByteBackslashStaysInTheName) {
  ScopedTempDir temp;
  EXPECT_TRUE(MakeDirectory(temp.Child("乗")));
  EXPECT_TRUE(WriteBytesToFile(temp.Child("乗\\乗.jpg"), ByteSet{'z'}));
  EXPECT_EQ(ReadFile(temp.native() / U8("乗") / U8("乗.jpg")), "z");
  EXPECT_TRUE(FileExists(temp.Child("乗\\乗.jpg")));
  EXPECT_EQ(PathToText(temp.native() / U8("乗") / U8("乗.jpg")), temp.Child("乗\\乗.jpg"));
}

}  // namespace
}  // namespace skinwall
