// Value types and the measuring, cutting, building and number primitives.
#include <gtest/gtest.h>

#include <cmath>

#include "runtime/numbers.h"
#include "runtime/text_primitives.h"
#include "tests/support/test_support.h"

namespace skinwall {
namespace {

using testing::FatalExit;
using testing::Raw;
using testing::T;

TEST(Values, TextEndsAtFirstZeroByteAndCopiesAreIndependent) {
  const Text cut(std::string_view("a\0b", 3));
  EXPECT_EQ(cut, Text("a"));
  EXPECT_EQ(BytesToText(ByteSet{0x61, 0x00, 0x62}), Text("a"));
  EXPECT_EQ(TextLength(BytesToText(ByteSet{})), 0);

  TextArray first;
  AppendText(first, Text("x"));
  TextArray second = first;
  second.At(1) = Text("y");
  AppendText(second, Text("z"));
  EXPECT_EQ(first.At(1), Text("x"));
  EXPECT_EQ(ElementCount(first), 1);
  EXPECT_EQ(ElementCount(second), 2);
}

TEST(Values, CuttingByBytes) {
  const Text text = T("ab中c");  // 61 62 D6 D0 63
  struct Case {
    const char* name;
    Text result;
    Text expected;
  } cases[] = {
      {"left 0", TextLeft(text, 0), Text()},
      {"left negative", TextLeft(text, -3), Text()},
      {"left past end", TextLeft(text, 99), text},
      {"left inside a character", TextLeft(text, 3), Raw("ab\xD6")},
      {"right 0", TextRight(text, 0), Text()},
      {"right past end", TextRight(text, 99), text},
      {"right 2", TextRight(text, 2), Raw("\xD0" "c")},
      {"middle start 0", TextMiddle(text, 0, 100), Text()},
      {"middle start past end", TextMiddle(text, 6, 1), Text()},
      {"middle last byte", TextMiddle(text, 5, 3), Text("c")},
      {"middle count 0", TextMiddle(text, 2, 0), Text()},
      {"middle", TextMiddle(text, 2, 3), Raw("b\xD6\xD0")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.result, c.expected);
  }
}

TEST(Values, CharCodeIsSignedAndZeroOutside) {
  EXPECT_EQ(CharCode(Raw("\xB0")), -80);
  EXPECT_EQ(CharCode(Text("AB"), 2), 66);
  EXPECT_EQ(CharCode(Text("AB"), 0), 0);
  EXPECT_EQ(CharCode(Text("AB"), 3), 0);
  EXPECT_EQ(CharCode(Text()), 0);
}

TEST(Values, BuildingAndConverting) {
  EXPECT_EQ(BlankText(3), Text("   "));
  EXPECT_EQ(BlankText(0), Text());
  EXPECT_EQ(BlankBytes(2), (ByteSet{0, 0}));
  EXPECT_TRUE(BlankBytes(-1).empty());
  EXPECT_EQ(TextToBytes(Text("ab")), (ByteSet{0x61, 0x62}));
  EXPECT_TRUE(JoinByteSets(ByteSet{}, ByteSet{}).empty());
  EXPECT_EQ(JoinByteSets(ByteSet{1, 0}, ByteSet{}, ByteSet{2}), (ByteSet{1, 0, 2}));
  EXPECT_EQ(JoinTexts(Text("a"), Text(), T("中")), T("a中"));
  EXPECT_EQ(ToByte(0x1FF), 0xFF);
  for (auto [value, text] : {std::pair{-5, "-5"}, {0, "0"}, {105, "105"}, {INT32_MIN, "-2147483648"}}) {
    EXPECT_EQ(IntegerToText(value), Text(text));
  }
}

TEST(Values, CompareTextsByUnsignedBytes) {
  EXPECT_EQ(CompareTexts(Text(), Text("")), 0);
  EXPECT_EQ(CompareTexts(Raw("\xB0"), Text("A")), 1);
  EXPECT_EQ(CompareTexts(Text("ab"), Text("abc")), -1);
  EXPECT_EQ(CompareTexts(Text("a"), Text("A")), 1);
  EXPECT_TRUE(CompareByteSets(ByteSet{}, ByteSet{}));
  EXPECT_FALSE(CompareByteSets(ByteSet{1}, ByteSet{1, 0}));
}

TEST(Values, NumbersAndBits) {
  EXPECT_EQ(Modulo(-7, 3), -1);
  EXPECT_EQ(Modulo(7, -3), 1);
  EXPECT_EQ(Modulo(7.5, 2), 1.5);
  EXPECT_EQ(TruncateToInteger(-2.9), -2);
  EXPECT_EQ(TruncateToInteger(4294967296.5), 4294967296);
  EXPECT_EQ(TruncateToInteger(1e300), INT64_MAX);
  EXPECT_EQ(TruncateToInteger(-1e300), INT64_MIN);
  EXPECT_EQ(TruncateToInteger(std::nan("")), 0);
  EXPECT_EQ(ShiftRight(-8, 1), -4);
  EXPECT_EQ(ShiftLeft(1, 33), 2);
  EXPECT_EQ(ShiftLeft(1, 31), INT32_MIN);
  EXPECT_EQ(ShiftRight(INT32_MIN, 31), -1);
  EXPECT_EQ(BitAnd(0xFF, 0x0F, 0x3C), 0x0C);
}

TEST(Values, ByteSetElementsStoreLowBits) {
  ByteSet bytes = BlankBytes(2);
  bytes.SetAt(2, 0x1FE);
  EXPECT_EQ(bytes.At(2), 0xFE);
  EXPECT_EQ(bytes.At(1), 0);
}

TEST(ValuesDeathTest, IndexErrorsAndDivisionByZeroEndTheProgram) {
  TextArray empty;
  ByteSet two = BlankBytes(2);
  EXPECT_EXIT(empty.At(0), FatalExit, "数组成员引用下标必须大于等于1.*4");
  EXPECT_EXIT(empty.At(1), FatalExit, "数组成员引用下标超出定义范围.*1");
  EXPECT_EXIT(two.At(3), FatalExit, "数组成员引用下标超出定义范围");
  EXPECT_EXIT(two.SetAt(-1, 0), FatalExit, "数组成员引用下标必须大于等于1");
  EXPECT_EXIT(Modulo(1, 0), FatalExit, "不能求余数于零");
}

TEST(ValuesDeathTest, ExhaustedMemoryNamesTheSize) {
  EXPECT_EXIT(RuntimeAllocator<char>().allocate(SIZE_MAX / 4), FatalExit, "分配 .* 字节内存失败!");
}

}  // namespace
}  // namespace skinwall
