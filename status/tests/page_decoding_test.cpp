#include "status/page_decoding.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace pubg {
namespace {

// Names each parameterised case after its table row.
struct CaseName {
  template <typename Case>
  std::string operator()(const testing::TestParamInfo<Case>& row) const { return row.param.name; }
};

ByteArray Bytes(std::string_view text) { return ByteArray(text.begin(), text.end()); }

// UTF-16LE code units from a list of 16-bit values.
ByteArray Units(std::initializer_list<char16_t> units) {
  ByteArray bytes;
  for (const char16_t unit : units) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  return bytes;
}

struct Utf8ToGbkCase {
  const char* name;
  std::string_view utf8;
  std::string_view gbk;
};

class Utf8ToGbkTest : public testing::TestWithParam<Utf8ToGbkCase> {};

TEST_P(Utf8ToGbkTest, ConvertsThePageBody) {
  const Utf8ToGbkCase& c = GetParam();
  EXPECT_EQ(Utf8ToGbk(Bytes(c.utf8)), Text(c.gbk));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8ToGbkTest,
    testing::Values(
        Utf8ToGbkCase{"Empty", "", ""},
        Utf8ToGbkCase{"AsciiUnchanged", "<span>OK 1,234</span>\n\t", "<span>OK 1,234</span>\n\t"},
        Utf8ToGbkCase{"Normal", "\xE6\xAD\xA3\xE5\xB8\xB8", "\xD5\xFD\xB3\xA3"},  // 正常
        Utf8ToGbkCase{"TraditionalShu", "\xE6\x95\xB8", "\x94\xB5"},              // 數
        Utf8ToGbkCase{"SimplifiedShu", "\xE6\x95\xB0", "\xCA\xFD"},               // 数
        Utf8ToGbkCase{"Server", "\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8",           // 服务器
                      "\xB7\xFE\xCE\xF1\xC6\xF7"},
        Utf8ToGbkCase{"MixedWithAscii", "PUBG\xE7\x8E\xA9\xE5\xAE\xB6: 1",        // PUBG玩家: 1
                      "PUBG\xCD\xE6\xBC\xD2: 1"},
        Utf8ToGbkCase{"IdeographicSpace", "\xE3\x80\x80", "\xA1\xA1"},            // full-width space
        // Thai ก (U+0E01) is outside code page 936 and has no best fit.
        Utf8ToGbkCase{"OutsideCodePage", "a\xE0\xB8\x81" "b", "a?b"},
        // A stray continuation byte and a cut-off sequence: the rest still converts.
        Utf8ToGbkCase{"MalformedContinuation", "a\x80\xE6\xAD\xA3", "a?\xD5\xFD"},  // a?正
        Utf8ToGbkCase{"MalformedTruncatedAtEnd", "\xE6\xAD\xA3\xE5\xB8", "\xD5\xFD?"},
        Utf8ToGbkCase{"ZeroByteEndsTheText", std::string_view("ab\0\xE6\xAD\xA3", 6), "ab"},
        Utf8ToGbkCase{"LeadingZeroByteGivesEmpty", std::string_view("\0abc", 4), ""}),
    CaseName());

TEST(Utf8ToUtf16Test, GivesExactlyTheUnitsWithoutTerminator) {
  EXPECT_EQ(Utf8ToUtf16(Bytes("\xE6\xAD\xA3" "A")), Units({0x6B63, u'A'}));  // 正A
  EXPECT_EQ(Utf8ToUtf16(Bytes("\xF0\x9F\x98\x80")), Units({0xD83D, 0xDE00}));  // one surrogate pair
  EXPECT_TRUE(Utf8ToUtf16(ByteArray{}).empty());
}

TEST(Utf8ToUtf16Test, ReplacesMalformedBytesAndGoesOn) {
  const ByteArray units = Utf8ToUtf16(Bytes("x\xFF" "y"));
  ASSERT_EQ(units.size() % 2, 0u);
  ASSERT_GE(units.size(), 6u);
  EXPECT_EQ(units.front(), 'x');
  EXPECT_EQ(units[units.size() - 2], 'y');
  EXPECT_EQ(Utf16ToGbk(units).front(), 'x');
  EXPECT_EQ(Utf16ToGbk(units).back(), 'y');
}

struct Utf16ToGbkCase {
  const char* name;
  ByteArray utf16;
  std::string_view gbk;
};

class Utf16ToGbkTest : public testing::TestWithParam<Utf16ToGbkCase> {};

TEST_P(Utf16ToGbkTest, EncodesWholeUnits) {
  const Utf16ToGbkCase& c = GetParam();
  EXPECT_EQ(Utf16ToGbk(c.utf16), Text(c.gbk));
}

ByteArray WithOddByte(ByteArray bytes, std::uint8_t odd) {
  bytes.push_back(odd);
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf16ToGbkTest,
    testing::Values(
        Utf16ToGbkCase{"Empty", {}, ""},
        Utf16ToGbkCase{"SingleOddByteIsNoUnit", {0x41}, ""},
        Utf16ToGbkCase{"OddLastByteIgnored", WithOddByte(Units({0x6B63, 0x5E38}), 0x41), "\xD5\xFD\xB3\xA3"},
        Utf16ToGbkCase{"ZeroUnitEndsTheText", Units({u'a', 0, u'b'}), "a"},
        Utf16ToGbkCase{"LoneSurrogate", Units({u'a', 0xD83D, u'b'}), "a?b"},
        Utf16ToGbkCase{"ReplacementCharacter", Units({0xFFFD}), "?"},
        // e followed by a combining acute accent (U+0301) is composed to é, which 936 holds as A8 A6.
        Utf16ToGbkCase{"ComposesBaseAndMark", Units({u'e', 0x0301}), "\xA8\xA6"}),
    CaseName());

// The bundled sample page holds both blocks; after decoding they must be there byte for byte.
TEST(Utf8ToGbkPageTest, SamplePageKeepsItsMarkersIntact) {
  std::ifstream file(PUBG_TESTING_DIR "/pages/normal.html", std::ios::binary);
  ASSERT_TRUE(file) << "cannot open the sample page";
  const ByteArray body{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  ASSERT_GT(body.size(), 0u);

  const Text page = Utf8ToGbk(body);
  EXPECT_NE(page.find("<span>\xD5\xFD\xB3\xA3</span>\n"), Text::npos);  // <span>正常</span>
  EXPECT_NE(page.find("\xC4\xBF\xC7\xB0PUBG\xCD\xE6\xBC\xD2\xC8\xCB\x94\xB5: 1,234,567\xC3\xFB "),  // 目前PUBG玩家人數: …名
            Text::npos);
  // Pure ASCII lines come through unchanged, so the GBK page is no longer than the UTF-8 one.
  EXPECT_LE(page.size(), body.size());
  EXPECT_EQ(page.find('\0'), Text::npos);
}

}  // namespace
}  // namespace pubg
