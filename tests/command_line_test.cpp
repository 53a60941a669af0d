// The saver's command line: program name, switch letter, window handle.
#include <gtest/gtest.h>

#include <cstring>

#include "command_line.h"

namespace {

const char *NextByte(const char *text) { return text + 1; }

// A double-byte code page in miniature: bytes 0x81..0x9F lead a two-byte
// character, as in Shift-JIS.
const char *NextDoubleByte(const char *text) {
    unsigned char c = (unsigned char)*text;
    return text + ((c >= 0x81 && c <= 0x9F && text[1]) ? 2 : 1);
}

SaverCommand CommandOf(const char *line) {
    return ParseSaverCommand(SkipProgramName(line, NextByte));
}

}  // namespace

TEST(CommandLine, ProgramNameIsSkippedWithTheBlanksBehindIt) {
    EXPECT_STREQ(SkipProgramName("orb.scr /s", NextByte), "/s");
    EXPECT_STREQ(SkipProgramName("orb.scr \t\x01 /s", NextByte), "/s");
    EXPECT_STREQ(SkipProgramName("\"C:\\My Savers\\orb.scr\" /s", NextByte), "/s");
    EXPECT_STREQ(SkipProgramName("\"C:\\My Savers\\orb.scr\"/s", NextByte), "/s");
    EXPECT_STREQ(SkipProgramName("orb.scr", NextByte), "");
    // No space: it is all program name.
    EXPECT_STREQ(SkipProgramName("x.scr/s", NextByte), "");
    // A missing closing quotation mark takes the whole line.
    EXPECT_STREQ(SkipProgramName("\"C:\\orb.scr /s", NextByte), "");
    // A line that starts blank has no program name to skip.
    EXPECT_STREQ(SkipProgramName("  /s", NextByte), "/s");
}

TEST(CommandLine, ProgramNameIsReadInCharacters) {
    // "\x81 " is one character in the double-byte code page, so the space
    // inside it does not end the unquoted name.
    EXPECT_STREQ(SkipProgramName("a\x81 b.scr /s", NextDoubleByte), "/s");
    EXPECT_STREQ(SkipProgramName("a\x81 b.scr /s", NextByte), "b.scr /s");
}

TEST(CommandLine, FullScreenSwitches) {
    for (const char *line : {"o.scr /s", "o.scr -S", "o.scr //  /s", "o.scr s", "o.scr /screen",
                             "o.scr -/- s"})
        EXPECT_EQ(CommandOf(line).kind, kSwitchSaver) << line;
}

TEST(CommandLine, NothingOrAnUnknownSwitch) {
    EXPECT_EQ(CommandOf("o.scr").kind, kSwitchConfigure);
    EXPECT_EQ(CommandOf("o.scr   /").kind, kSwitchConfigure);
    EXPECT_EQ(CommandOf("x.scr/s").kind, kSwitchConfigure);
    for (const char *line : {"o.scr /x", "o.scr /?", "o.scr /\ts", "o.scr /1"})
        EXPECT_EQ(CommandOf(line).kind, kSwitchUnknown) << line;
}

TEST(CommandLine, PreviewKeepsTheTextOfItsHandle) {
    for (const char *line : {"o.scr /p 1234", "o.scr /p1234", "o.scr /l   1234", "o.scr -P 1234"}) {
        SaverCommand c = CommandOf(line);
        ASSERT_EQ(c.kind, kSwitchPreview) << line;
        EXPECT_EQ(ParseWindowHandle(c.argument), 1234u) << line;
    }
    SaverCommand colon = CommandOf("o.scr /p:1234");
    ASSERT_EQ(colon.kind, kSwitchPreview);
    EXPECT_EQ(ParseWindowHandle(colon.argument), 0u);  // ":" is no digit
    EXPECT_EQ(ParseWindowHandle(CommandOf("o.scr /p").argument), 0u);
}

TEST(CommandLine, ConfigureTakesAHandleOnlyAfterAColon) {
    SaverCommand spaced = CommandOf("o.scr /c 1234");
    EXPECT_EQ(spaced.kind, kSwitchConfigureOwned);
    EXPECT_EQ(spaced.handle, 0u);
    SaverCommand colon = CommandOf("o.scr /c:1234");
    EXPECT_EQ(colon.kind, kSwitchConfigureOwned);
    EXPECT_EQ(colon.handle, 1234u);
}

TEST(CommandLine, ChangePasswordSkipsOnlySpaces) {
    EXPECT_EQ(CommandOf("o.scr /a   77").handle, 77u);
    EXPECT_EQ(CommandOf("o.scr /A77").kind, kSwitchChangePassword);
    EXPECT_EQ(CommandOf("o.scr /a\t77").handle, 0u);
}

TEST(CommandLine, HandlesAreDecimalAndWrapAt32Bits) {
    EXPECT_EQ(ParseWindowHandle("0"), 0u);
    EXPECT_EQ(ParseWindowHandle("65536x"), 65536u);
    EXPECT_EQ(ParseWindowHandle("4294967295"), 4294967295u);
    EXPECT_EQ(ParseWindowHandle("4294967297"), 1u);
    EXPECT_EQ(ParseWindowHandle("00000000000000000000042"), 42u);
    EXPECT_EQ(ParseWindowHandle("-5"), 0u);
    EXPECT_EQ(ParseWindowHandle(""), 0u);
}
