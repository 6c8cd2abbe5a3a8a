#include <gtest/gtest.h>

#include "core/ini.h"
#include "core/ini_names.h"
#include "core/text.h"
#include "tests/temp_dir.h"

using namespace vinra::core;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

TEST(Text, EveryWindows1252ByteRoundTrips) {
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    const std::string utf8 = Cp1252ToUtf8(all);
    const std::string back = Utf8ToCp1252(utf8);
    // The five bytes without a character come back as "?" (they read as U+FFFD).
    for (int b = 1; b < 256; ++b) {
        const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        EXPECT_EQ(static_cast<unsigned char>(back[b - 1]), undefined ? '?' : b) << "byte " << b;
    }
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");                      // euro sign
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xEF\xBF\xBD");                      // undefined -> U+FFFD
    EXPECT_EQ(Cp1252ToUtf8("\xE5\xE4\xF6"), "\xC3\xA5\xC3\xA4\xC3\xB6");  // å ä ö
}

TEST(Text, CharactersOutsideWindows1252BecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToCp1252("a\xE2\x82\xAC"
                           "b"),
              "a\x80"
              "b");
    EXPECT_EQ(Utf8ToCp1252("\xCE\xA9"), "?");          // Greek omega
    EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80"), "?");  // emoji
    EXPECT_EQ(Utf8ToCp1252("\xC3"), "?");              // truncated sequence
}

TEST(Text, DecodeFileTextChoosesTheEncoding) {
    EXPECT_EQ(DecodeFileText("\xEF\xBB\xBFV\xC3\xA4xj\xC3\xB6"), "V\xC3\xA4xj\xC3\xB6");  // BOM
    EXPECT_EQ(DecodeFileText("V\xC3\xA4xj\xC3\xB6"), "V\xC3\xA4xj\xC3\xB6");              // valid UTF-8
    EXPECT_EQ(DecodeFileText("V\xE4xj\xF6"), "V\xC3\xA4xj\xC3\xB6");                      // Windows-1252
    EXPECT_EQ(DecodeFileText("plain"), "plain");
}

TEST(Text, LinesSplitOnEveryLineEnd) {
    EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n\r\n"), (std::vector<std::string>{"a", ""}));
    EXPECT_EQ(JoinCrLf({"a", "b"}), "a\r\nb\r\n");
    EXPECT_EQ(ReplaceLineBreaks("1\r\n2\r3\n4", "*13*"), "1*13*2*13*3*13*4");
}

TEST(Text, EscapeMarkupLeavesNothingAParserWouldTakeForMarkup) {
    const struct {
        std::string_view in, out;
    } cases[] = {
        {"A&B <\"x\"> 'y'", "A&amp;B &lt;&quot;x&quot;&gt; &#39;y&#39;"},
        {"a\x01" "b\x1F" "c\td\ne\rf", "abc\td\ne\rf"},  // XML 1.0 has no place for the controls
        {"Malm\xC3\xB6 &amp;", "Malm\xC3\xB6 &amp;amp;"},  // UTF-8 passes, references are escaped again
    };
    for (const auto& c : cases) EXPECT_EQ(EscapeMarkup(c.in), c.out) << c.in;
}

TEST(Text, AtomicWriteReplacesWholeOrKeepsTheOldFile) {
    TempDir dir;
    const auto target = dir.path() / "file.txt";
    WriteFileAtomic(target, "first");
    WriteFileAtomic(target, "second");
    EXPECT_EQ(ReadBytes(target), "second");
    // No temporary file is left behind.
    int files = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
    // A folder that does not exist: an error naming the file, nothing written.
    EXPECT_THROW(WriteFileAtomic(dir.path() / "missing" / "x.txt", "data"), FileError);
    EXPECT_THROW(ReadFileBytes(dir.path() / "none.txt"), FileError);
}

TEST(Ini, ReadsKeysWithoutRegardToCaseAndFirstDuplicateWins) {
    auto ini =
        IniFile::FromText("; comment\r\n[Info]\r\n  Omg =  2009-28  \r\nomg=2010-01\r\nEmpty=\r\n[info2]\r\nA=1\r\n");
    EXPECT_EQ(ini.ReadString("INFO", "OMG"), "2009-28");
    EXPECT_TRUE(ini.HasKey("info", "empty"));
    EXPECT_EQ(ini.Get("info", "empty"), std::optional<std::string>(""));
    EXPECT_EQ(ini.Get("info", "absent"), std::nullopt);
    EXPECT_EQ(ini.Keys("Info"), (std::vector<std::string>{"Omg", "Empty"}));
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Info", "info2"}));
}

TEST(Ini, TypedReadsFallBackToTheDefault) {
    auto ini = IniFile::FromText("[S]\nI=42\nBad=4x\nB1=1\nB0=0\nB7=-7\nF=12,5\nG=0.25\nH=abc\n");
    EXPECT_EQ(ini.ReadInteger("S", "I", 0), 42);
    EXPECT_EQ(ini.ReadInteger("S", "Bad", 9), 9);
    EXPECT_EQ(ini.ReadInteger("S", "None", 9), 9);
    EXPECT_TRUE(ini.ReadBool("S", "B1", false));
    EXPECT_FALSE(ini.ReadBool("S", "B0", true));
    EXPECT_TRUE(ini.ReadBool("S", "B7", false));
    EXPECT_TRUE(ini.ReadBool("S", "H", true));
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "F", 0), 12.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "G", 0), 0.25);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("S", "H", 3.5), 3.5);
}

TEST(Ini, FloatsUseTheShortestFormWithADecimalComma) {
    EXPECT_EQ(FormatFloat(100), "100");
    EXPECT_EQ(FormatFloat(12.5), "12,5");
    EXPECT_EQ(FormatFloat(0.1 + 0.2), "0,3");
    EXPECT_EQ(FormatFloat(-3.25), "-3,25");
}

TEST(Ini, WritingAKeyKeepsEverythingElse) {
    TempDir dir;
    const auto path = dir.path() / "settings.ini";
    WriteBytes(path, "; top comment\r\n[A]\r\nx = 1\r\n; inside\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
    auto ini = IniFile::FromFile(path);
    ini.WriteString("a", "X", "10");
    ini.WriteString("A", "new", "line1\r\nline2");
    ini.WriteInteger("C", "k", 5);
    ini.SaveToFile(path);
    EXPECT_EQ(
        ReadBytes(path),
        "; top comment\r\n[A]\r\nx=10\r\n; inside\r\ny=2\r\nnew=line1 line2\r\n\r\n[B]\r\nz=3\r\n\r\n[C]\r\nk=5\r\n");
}

TEST(Ini, SavesAsWindows1252AndReadsBack) {
    TempDir dir;
    const auto path = dir.path() / "x.ini";
    IniFile ini;
    ini.WriteString("Lag", "Hemma", "Malm\xC3\xB6 FF");  // Malmö FF
    ini.SaveToFile(path);
    EXPECT_EQ(ReadBytes(path), "[Lag]\r\nHemma=Malm\xF6 FF\r\n");
    EXPECT_EQ(IniFile::FromFile(path).ReadString("lag", "hemma"), "Malm\xC3\xB6 FF");
}

// Names that would not read back as themselves are refused and change
// nothing; every accepted one reads back, and the keys after it stay readable.
TEST(Ini, KeysAndSectionsThatWouldNotReadBackAreRefused) {
    struct Case {
        std::string section, key;
        bool ok;
    } cases[] = {
        {"teams_svt", "Arsenal FC", true},     {"teams_svt", "Malm\xC3\xB6 FF", true},
        {"teams_svt", "IFK [G\xC3\xB6teborg]", true}, {"teams_svt", "a;b#c", true},
        {"teams_svt", "[Alias]", false},        {"teams_svt", "[x", false},
        {"teams_svt", "Home=Away", false},      {"teams_svt", "=", false},
        {"teams_svt", "", false},               {"teams_svt", " AIK", false},
        {"teams_svt", "AIK\t", false},          {"teams_svt", "; comment", false},
        {"teams_svt", "#hash", false},          {"teams_svt", "two\r\nlines", false},
        {"teams_svt", "cr\ronly", false},       {"Alias]x", "k", false},
        {" Alias", "k", false},                 {"Al\nias", "k", false},
        {"[Alias", "k", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.section + " / " + c.key);
        IniFile ini = IniFile::FromText("[teams_svt]\r\nfirst=1\r\n");
        const std::string before = ini.ToText();
        if (!c.ok) {
            EXPECT_THROW(ini.WriteString(c.section, c.key, "v"), IniNameError);
            EXPECT_EQ(ini.ToText(), before);
            continue;
        }
        ini.WriteString(c.section, c.key, "v");
        ini.WriteString(c.section, "after", "2");
        const IniFile back = IniFile::FromText(ini.ToText());
        EXPECT_EQ(back.Get(c.section, c.key), "v");
        EXPECT_EQ(back.Get(c.section, "after"), "2");
        EXPECT_EQ(back.Get("teams_svt", "first"), "1");
    }
}

// Text Windows-1252 cannot hold is kept: the file is then UTF-8 with a BOM.
TEST(Ini, TextOutsideWindows1252IsKept) {
    TempDir dir;
    const auto path = dir.path() / "RAVAROZ.INI";
    const std::string sound = "/home/\xC5\x81ukasz/Ljud/goal.wav";  // "Ł"
    const std::string mail = "\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD <ivan@example.org>";
    IniFile ini;
    ini.WriteString("Sounds", "GoalUp", sound);
    ini.WriteString("Maillists", "Recip0", mail);
    ini.WriteString("Maillists", "Name0", "Malm\xC3\xB6");
    ini.SaveToFile(path);
    EXPECT_TRUE(HasUtf8Bom(ReadBytes(path)));
    const IniFile back = IniFile::FromFile(path);
    EXPECT_EQ(back.ReadString("Sounds", "GoalUp"), sound);
    EXPECT_EQ(back.ReadString("Maillists", "Recip0"), mail);
    EXPECT_EQ(back.ReadString("Maillists", "Name0"), "Malm\xC3\xB6");
    // Text Windows-1252 holds stays Windows-1252; invalid UTF-8 still becomes "?".
    EXPECT_EQ(EncodeFileText("Malm\xC3\xB6 \xE2\x82\xAC"), "Malm\xF6 \x80");
    EXPECT_EQ(EncodeFileText("a\xC3"), "a?");
}
