// The framework's string: building command lines and paths.
#include <gtest/gtest.h>

#include <utility>

#include "framework/String.h"

namespace {

TEST(StringTest, BuildsTextPieceByPiece) {
    CString str = CString("hh.exe ") + "C:\\Program Files\\" + "help.chm";
    EXPECT_STREQ(str, "hh.exe C:\\Program Files\\help.chm");
    EXPECT_EQ(str.GetLength(), 32);
    str += nullptr;
    str += "";
    EXPECT_EQ(str.GetLength(), 32);
}

TEST(StringTest, EmptyAndPartialStrings) {
    EXPECT_TRUE(CString().IsEmpty());
    EXPECT_STREQ(CString(), "");
    EXPECT_STREQ(CString(nullptr), "");
    EXPECT_STREQ(CString("abcdef", 3), "abc");
    EXPECT_STREQ(CString("abc", 0), "");
    EXPECT_STREQ(CString("abc", -1), "");
}

TEST(StringTest, CopiesAreIndependentAndMovesEmptyTheSource) {
    CString a("left");
    CString b(a);
    b += "+";
    EXPECT_STREQ(a, "left");
    EXPECT_STREQ(b, "left+");
    CString c(std::move(b));
    EXPECT_STREQ(c, "left+");
    EXPECT_TRUE(b.IsEmpty());  // NOLINT: moved-from state is specified here
    a = c;
    a = a;
    EXPECT_STREQ(a, "left+");
    a += a;  // appending itself
    EXPECT_STREQ(a, "left+left+");
}

}  // namespace
