#include "text/codepage.h"

#include <gtest/gtest.h>

#include "text/literal.h"

namespace {

// 漫画 in UTF-8 and in code page 936.
const std::string kUtf8Manhua = "\xE6\xBC\xAB\xE7\x94\xBB";
const Text kGbkManhua = "\xC2\xFE\xBB\xAD";
// U+1F600, which code page 936 cannot represent.
const std::string kUtf8Emoji = "\xF0\x9F\x98\x80";

TEST(CodePage, Utf8PagesBecomeLocalText) {
  EXPECT_EQ(utf8_to_local(Text()), Text());
  EXPECT_EQ(utf8_to_local("plain <html> 123"), Text("plain <html> 123"));
  EXPECT_EQ(utf8_to_local(Text(kUtf8Manhua)), kGbkManhua);
  EXPECT_EQ("漫画"_gbk, kGbkManhua);
}

TEST(CodePage, BadInputIsSubstitutedAndTheRestConverts) {
  const Text outside = utf8_to_local(Text("a" + kUtf8Emoji + "b"));
  ASSERT_GE(outside.size(), 3u);
  EXPECT_EQ(outside.str().front(), 'a');
  EXPECT_EQ(outside.str().back(), 'b');

  // A stray byte in the middle of a page does not end the conversion.
  const Text page = utf8_to_local(Text("<p>\xFF" + kUtf8Manhua + "</p>"));
  EXPECT_EQ(page.str().substr(0, 3), "<p>");
  EXPECT_NE(page.str().find(kGbkManhua.str() + "</p>"), std::string::npos);

  // A truncated sequence at the very end.
  const Text cut = utf8_to_local(Text("ok\xE6\xBC"));
  EXPECT_EQ(cut.str().substr(0, 2), "ok");
}

TEST(CodePage, WideTextCarriesItsTerminator) {
  const Bytes wide = multibyte_to_wide(Text(kUtf8Manhua));
  EXPECT_EQ(wide.str(), std::string("\x2B\x6F\x3B\x75\0\0", 6));
  EXPECT_EQ(wide_to_multibyte(wide), kGbkManhua);
  EXPECT_EQ(wide_to_multibyte(wide, kCodePageUtf8), Text(kUtf8Manhua));
  EXPECT_EQ(multibyte_to_wide(kGbkManhua, kCodePage936), wide);
  EXPECT_EQ(wide_to_multibyte(Bytes()), Text());
  // Conversion stops at the first zero unit; an odd last byte is ignored.
  EXPECT_EQ(wide_to_multibyte(Bytes(std::string("a\0\0\0b\0", 6))), Text("a"));
  EXPECT_EQ(wide_to_multibyte(Bytes(std::string("a\0b", 3))), Text("a"));
  // A lone surrogate is substituted, never a zero byte.
  const Text lone =
      wide_to_multibyte(Bytes(std::string("a\0\x00\xD8"
                                          "b\0",
                                          6)));
  EXPECT_EQ(lone.str().front(), 'a');
  EXPECT_EQ(lone.str().back(), 'b');
}

TEST(CodePage, EdgeConversionsRoundTrip) {
  const Text mixed = "漫画 ID：34058"_gbk;
  EXPECT_EQ(utf8_view_to_local(local_to_utf8(mixed)), mixed);
  EXPECT_EQ(utf16_to_local(local_to_utf16(mixed)), mixed);
  EXPECT_EQ(cesu8_to_local(local_to_cesu8(mixed)), mixed);
  EXPECT_EQ(local_to_utf8(kGbkManhua), kUtf8Manhua);
  EXPECT_EQ(local_to_utf16(kGbkManhua), u"漫画");
  // CESU-8 writes a character beyond the BMP as two three-byte surrogates.
  EXPECT_EQ(cesu8_to_local("\xED\xA0\xBD\xED\xB8\x80"
                           "x")
                .str()
                .back(),
            'x');
  // An unknown code page gives nothing rather than guessing.
  EXPECT_EQ(multibyte_to_wide("abc", 12345), Bytes());
}

}  // namespace
