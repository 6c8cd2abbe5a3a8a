#include "output/row_files.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "core/messages.h"
#include "core/settings.h"
#include "core/text.h"
#include "tests/temp_dir.h"

namespace vinra::output {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

std::string Golden(const std::string& name) { return ReadBytes(fs::path(VINRA_TEST_DATA) / name); }

core::TVinraFile Doc(const std::string& typ, const std::string& pool, int n, std::vector<std::string> rows) {
    core::TVinraFile d;
    d.NewSystem(n, true);
    d.Typ = typ;
    d.Pool = pool;
    d.Rader = std::move(rows);
    return d;
}

// The rows of the hand-made NTF fixtures (rf_make_golden.py): i*7919+12345 in
// base 3, twelve digits, most significant first.
std::vector<std::string> Rows12(int count) {
    std::vector<std::string> rows;
    for (int i = 0; i < count; ++i) {
        long v = i * 7919L + 12345;
        std::string r(12, '0');
        for (int m = 11; m >= 0; --m, v /= 3) r[m] = static_cast<char>('0' + v % 3);
        rows.push_back(r);
    }
    return rows;
}

const std::vector<std::string> kRows13 = {"0120021102210", "2222222222222", "0000000000001"};

std::string Field(const std::string& file, size_t record, size_t offset, size_t width) {
    return file.substr(record * kNtfRecordSize + offset, width);
}

// Every record is 350 bytes and ends with the checksum of its first 348.
void ExpectWellFormedNtf(const std::string& file, size_t records) {
    ASSERT_EQ(file.size(), records * kNtfRecordSize);
    for (size_t r = 0; r < records; ++r) {
        const std::string rec = file.substr(r * kNtfRecordSize, kNtfRecordSize);
        EXPECT_EQ(rec.substr(348), NtfChecksum(rec.substr(0, 348))) << "record " << r;
    }
}

TEST(RowFiles, FormatChosenByPoolCode) {
    const std::pair<const char*, RowFileFormat> cases[] = {
        {"S", RowFileFormat::SvenskaSpel}, {"I", RowFileFormat::SvenskaSpel}, {"T", RowFileFormat::Unibet},
        {"O", RowFileFormat::Unibet},      {"A", RowFileFormat::Ntf},         {"C", RowFileFormat::Ntf},
        {"E", RowFileFormat::Ntf},         {"B", RowFileFormat::None},        {"D", RowFileFormat::None},
        {"F", RowFileFormat::None},        {"G", RowFileFormat::None},        {"H", RowFileFormat::None},
        {"V", RowFileFormat::None},        {"", RowFileFormat::None},         {"s", RowFileFormat::None},
    };
    for (const auto& [typ, format] : cases) EXPECT_EQ(RowFileFormatOfPool(typ), format) << typ;
}

TEST(RowFiles, TextFilesMatchGoldenFiles) {
    TempDir dir;
    const struct {
        const char* typ;
        const char* golden;
        RowFileFormat format;
    } cases[] = {{"S", "rf_stryktipset.txt", RowFileFormat::SvenskaSpel},
                 {"T", "rf_unibet.txt", RowFileFormat::Unibet}};
    for (const auto& c : cases) {
        const fs::path out = dir.path() / c.golden;
        const auto r = ExportRows(Doc(c.typ, "Stryktipset", 13, kRows13), out, {}, core::DisplaySigns{});
        ASSERT_TRUE(r.ok()) << r.message;
        EXPECT_EQ(r.format, c.format);
        EXPECT_EQ(r.rowsWritten, 3u);
        EXPECT_EQ(ReadBytes(out), Golden(c.golden)) << c.golden;
    }
}

TEST(RowFiles, TextFilesUseThePoolsSignsAndWindows1252) {
    const core::DisplaySigns hub{"H", "U", "B"};
    EXPECT_EQ(SvenskaSpelRowFile("M\xC3\xA5ltipset", {"012", "210"}, hub), "M\xE5ltipset\r\nE,H,U,B\r\nE,B,U,H\r\n");
    EXPECT_EQ(UnibetRowFile({"012", "210"}, hub), "H,U,B\r\nB,U,H\r\n");
    // A system without rows: the name line only; Unibet: nothing.
    EXPECT_EQ(SvenskaSpelRowFile("Stryktipset", {}), "Stryktipset\r\n");
    EXPECT_EQ(UnibetRowFile({}), "");
}

TEST(RowFiles, NtfChecksumIsTheWordSumHighByteFirst) {
    std::string zeros(348, '\0');
    EXPECT_EQ(NtfChecksum(zeros), std::string("\x00\x00", 2));
    std::string lineEnd = zeros;
    lineEnd[10] = 0x0A;
    lineEnd[11] = 0x0D;
    EXPECT_EQ(NtfChecksum(lineEnd), "\x0A\x0D");  // raw bytes, not a line end
    // The sum wraps at 65536: 174 words of 0xFFFF give -174.
    EXPECT_EQ(NtfChecksum(std::string(348, '\xFF')), "\xFF\x52");
    // Byte order matters: 0x0102 + 0x0304.
    std::string two = zeros;
    two[0] = 1, two[1] = 2, two[346] = 3, two[347] = 4;
    EXPECT_EQ(NtfChecksum(two), "\x04\x06");
}

TEST(RowFiles, NtfWithDefaultSettingsMatchesKnownChecksums) {
    TempDir dir;
    const fs::path out = dir.path() / "c.ntf";
    const auto r = ExportRows(Doc("C", "Tipping L\xC3\xB8rdag", 12, {"000000000000"}), out, PcBetSettings{});
    ASSERT_TRUE(r.ok()) << r.message;
    const std::string file = ReadBytes(out);
    EXPECT_EQ(file, Golden("rf_ntf_default_C.ntf"));
    ExpectWellFormedNtf(file, 2);
    EXPECT_EQ(Field(file, 0, 348, 2), "\x19\xE8");
    EXPECT_EQ(Field(file, 1, 348, 2), "\x19\x02");
}

TEST(RowFiles, NtfOfRowsNotAMultipleOfTen) {
    TempDir dir;
    PcBetSettings pc;
    pc.name =
        "\xC3\x85"
        "by-lag 7";  // typed with a letter and a hyphen PC-Bet cannot read
    pc.cardNo = "12343";
    pc.draws = "05";
    pc.reciept = false;
    pc.pause = true;
    pc.fulltime = false;
    const fs::path out = dir.path() / "a.ntf";
    const auto r = ExportRows(Doc("A", "Tipping Midtuke", 12, Rows12(23)), out, pc);
    ASSERT_TRUE(r.ok()) << r.message;
    const std::string file = ReadBytes(out);
    EXPECT_EQ(file, Golden("rf_ntf_23rows_A.ntf"));
    ExpectWellFormedNtf(file, 4);
    EXPECT_EQ(Field(file, 0, 7, 20), "bylag 7             ");
    EXPECT_EQ(Field(file, 0, 79, 6), "000003");
    EXPECT_EQ(Field(file, 0, 334, 1), "1");  // no receipt
    EXPECT_EQ(Field(file, 0, 339, 9), "000012343");
    const char* counts[] = {"10", "10", "03"};
    for (size_t k = 1; k <= 3; ++k) {
        EXPECT_EQ(Field(file, k, 0, 8), "000" + std::to_string(k) + "3112");
        EXPECT_EQ(Field(file, k, 10, 2), "05");
        EXPECT_EQ(Field(file, k, 16, 2), counts[k - 1]);
    }
    // Row 21 in the first slot of block 3; the seven unused slots are all "00".
    EXPECT_EQ(Field(file, 3, 21, 26), "01020202010101030201030300");
    EXPECT_EQ(Field(file, 3, 21 + 3 * 26, 7 * 26), std::string(7 * 26, '0'));

    // Eleven rows: a second block of one row.
    const std::string eleven = NtfFile(Rows12(11), "E", {});
    ExpectWellFormedNtf(eleven, 3);
    EXPECT_EQ(Field(eleven, 2, 0, 4), "0002");
    EXPECT_EQ(Field(eleven, 2, 4, 4), "3121");
    EXPECT_EQ(Field(eleven, 2, 16, 2), "01");
}

TEST(RowFiles, NtfPlayTypeAndDayDigits) {
    const struct {
        const char* typ;
        bool pause, fulltime;
        const char* field;
    } cases[] = {{"C", true, true, "3120"},
                 {"A", false, false, "3102"},
                 {"E", true, false, "3111"},
                 {"A", false, true, "3102"},
                 {"S", true, true, "3121"}};
    for (const auto& c : cases) {
        PcBetSettings pc;
        pc.pause = c.pause;
        pc.fulltime = c.fulltime;
        EXPECT_EQ(Field(NtfFile({"012012012012"}, c.typ, pc), 1, 4, 4), c.field) << c.typ << c.pause << c.fulltime;
    }
}

// Whatever the settings hold, every field keeps its width, so the fixed parts
// after it stay where the terminal looks for them.
TEST(RowFiles, NtfFieldsKeepTheirWidths) {
    const struct {
        const char* name;
        const char* cardNo;
        const char* draws;
        const char* nameField;
        const char* cardField;
        const char* drawsField;
    } cases[] = {
        {"Anders Andersson Lundqvist", "?????????", "01", "Anders Andersson Lun", "?????????", "01"},
        {"Lag-\xC3\x85"
         "by",
         "12-34", "5", "Lagby               ", "000001234", "05"},
        {"", "", "", "                    ", "000000000", "00"},
        {"a\tb\r\nc", "1234567890", "1-0", "abc                 ", "123456789", "10"},
        {"\xC3\xA5\xC3\xA4\xC3\xB6", "12/34:5?", "010", "                    ", "012/34:5?", "01"},
    };
    for (const auto& c : cases) {
        PcBetSettings pc;
        pc.name = c.name;
        pc.cardNo = c.cardNo;
        pc.draws = c.draws;
        const std::string file = NtfFile(Rows12(12), "C", pc);
        SCOPED_TRACE(c.name);
        ExpectWellFormedNtf(file, 3);
        EXPECT_EQ(Field(file, 0, 7, 20), c.nameField);
        EXPECT_EQ(Field(file, 0, 27, 4), "0000");
        EXPECT_EQ(Field(file, 0, 335, 4), "vr2k");
        EXPECT_EQ(Field(file, 0, 339, 9), c.cardField);
        for (size_t k = 1; k <= 2; ++k) {
            EXPECT_EQ(Field(file, k, 10, 2), c.drawsField);
            EXPECT_EQ(Field(file, k, 12, 4), "0001");
            EXPECT_EQ(Field(file, k, 281, 9), "?????????");
        }
    }
}

TEST(RowFiles, NtfLimits) {
    // The block number has four digits.
    const std::vector<std::string> most(kNtfMaxRows, "010101010101");
    const std::string file = NtfFile(most, "C", {});
    ASSERT_EQ(file.size(), 10000 * kNtfRecordSize);
    EXPECT_EQ(Field(file, 0, 79, 6), "009999");
    EXPECT_EQ(Field(file, 9999, 0, 4), "9999");
    std::vector<std::string> tooMany = most;
    tooMany.push_back("010101010101");
    EXPECT_THROW(NtfFile(tooMany, "C", {}), RowFileError);
    // Thirteen matches fill a slot; fourteen do not fit.
    EXPECT_EQ(Field(NtfFile({"0120120120120"}, "C", {}), 1, 21, 26), "01030201030201030201030201");
    EXPECT_THROW(NtfFile({"01201201201201"}, "C", {}), RowFileError);
    EXPECT_THROW(NtfFile({"0120-2012012"}, "C", {}), RowFileError);
    // No rows: the header only, with no blocks.
    const std::string empty = NtfFile({}, "C", {});
    ExpectWellFormedNtf(empty, 1);
    EXPECT_EQ(Field(empty, 0, 79, 6), "000000");
}

TEST(RowFiles, RefusedExportCreatesNothingAndKeepsTheOldFile) {
    TempDir dir;
    const fs::path fresh = dir.path() / "fresh.txt";
    const fs::path old = dir.path() / "old.txt";
    WriteBytes(old, "old content");
    const struct {
        core::TVinraFile doc;
        ExportStatus status;
        const char* says;
    } cases[] = {
        {Doc("V", "Vakioveikkaus", 13, kRows13), ExportStatus::NoFormat, "Vakioveikkaus"},
        {Doc("B", "Tipping Midtuke Pause", 12, Rows12(3)), ExportStatus::NoFormat, "no row file"},
        {Doc("", "", 13, kRows13), ExportStatus::NoFormat, "no row file"},
        {Doc("C", "Tipping L\xC3\xB8rdag", 14, {"01201201201201"}), ExportStatus::Refused, "13 matches"},
        {Doc("A", "Tipping Midtuke", 14, {}), ExportStatus::Refused, "13 matches"},
        {Doc("S", "Stryktipset", 13, {"0120021102210", "012002110221-"}), ExportStatus::Refused, "row 2"},
        {Doc("T", "SuperToto", 13, {"012002110221"}), ExportStatus::Refused, "row 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        for (const auto& path : {fresh, old}) {
            const auto r = ExportRows(c.doc, path, {});
            EXPECT_FALSE(r.ok());
            EXPECT_EQ(r.status, c.status);
            EXPECT_THAT(r.message, HasSubstr(c.says));
            EXPECT_EQ(r.rowsWritten, 0u);
        }
        EXPECT_FALSE(fs::exists(fresh));
        EXPECT_EQ(ReadBytes(old), "old content");
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(RowFiles, ExportReplacesAFileAndReportsWriteErrors) {
    TempDir dir;
    const fs::path out = dir.path() / "rows.txt";
    WriteBytes(out, std::string(5000, 'x'));
    auto r = ExportRows(Doc("T", "SuperToto", 13, kRows13), out, {}, core::DisplaySigns{});
    ASSERT_TRUE(r.ok()) << r.message;
    EXPECT_THAT(r.message, HasSubstr("3 rows"));
    EXPECT_EQ(ReadBytes(out), Golden("rf_unibet.txt"));

    r = ExportRows(Doc("S", "Stryktipset", 13, kRows13), dir.path() / "missing" / "rows.txt", {});
    EXPECT_EQ(r.status, ExportStatus::WriteFailed);
    EXPECT_THAT(r.message, HasSubstr("rows.txt"));

    // A chosen format overrides the pool's.
    r = ExportRowsAs(RowFileFormat::Unibet, Doc("S", "Stryktipset", 13, kRows13), out, {}, core::DisplaySigns{});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(ReadBytes(out), Golden("rf_unibet.txt"));
    EXPECT_EQ(ExportRowsAs(RowFileFormat::None, Doc("S", "Stryktipset", 13, kRows13), out, {}).status,
              ExportStatus::NoFormat);
}

// A refused or written row file is told in the player's language, down to the
// reason inside the sentence; a Swedish program says nothing in English.
TEST(RowFiles, ExportTextsSpeakThePlayersLanguage) {
    struct Restore {
        ~Restore() { core::SetCurrentLanguage(core::LangEnglish); }
    } restore;
    core::SetCurrentLanguage(core::LangSwedish);
    TempDir dir;
    const fs::path out = dir.path() / "r.txt";
    const auto said = [&](const core::TVinraFile& doc) { return ExportRows(doc, out, {}, core::DisplaySigns{}).message; };
    const auto thrown = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    std::vector<std::string> tooMany(kNtfMaxRows + 1, "012012012012");
    core::TVinraFile unsaved = Doc("S", "Stryktipset", 13, kRows13);
    const struct {
        std::string text;
        std::string swedish;
    } cases[] = {
        {said(Doc("V", "Vakioveikkaus", 13, kRows13)),
         "Det finns ingen radfil för Vakioveikkaus (spelkod \"V\"); rader kan exporteras för spel hos Svenska Spel, "
         "Unibet och Norsk Tipping. Ingen fil skrevs."},
        {said(Doc("", "", 13, kRows13)),
         "Det finns ingen radfil för det här spelet (spelkod \"\"); rader kan exporteras för spel hos Svenska Spel, "
         "Unibet och Norsk Tipping. Ingen fil skrevs."},
        {said(Doc("C", "Tipping", 14, {"01201201201201"})),
         "Raderna kan inte exporteras: systemet har 14 matcher; en NTF-fil rymmer högst 13 matcher per rad. "
         "Ingen fil skrevs."},
        {said(Doc("S", "Stryktipset", 13, {"0120021102210", "012002110221-"})),
         "Raderna kan inte exporteras: rad 2 (\"012002110221-\") är ingen rad med 13 tecken 1, X, 2. Ingen fil skrevs."},
        {thrown([] { NtfFile({"01201201201201"}, "C", {}); }),
         "rad 1 har 14 matcher; en NTF-fil rymmer högst 13 matcher per rad"},
        {thrown([] { NtfFile({"0120-2012012"}, "C", {}); }), "rad 1 (\"0120-2012012\") är ingen rad av tecknen 1, X, 2"},
        {thrown([&] { NtfFile(tooMany, "C", {}); }), "en NTF-fil rymmer högst 99 990 rader; systemet har 99 991"},
        {said(Doc("T", "SuperToto", 13, kRows13)), "3 rader skrevs till " + out.string()},
        {said(Doc("T", "SuperToto", 13, {"0120021102210"})), "1 rad skrevs till " + out.string()},
        {thrown([&] { unsaved.SplitRowsToFiles(dir.path() / "unsaved.1x2"); }),
         "Systemet måste sparas innan dess rader kan delas upp i filer"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.text, c.swedish);
}

// Export rows proposes a name telling pool, round and format, and says where
// the rows went.
TEST(RowFiles, ProposedExportNameAndWhereTheRowsWent) {
    struct Case {
        const char* typ;
        const char* pool;
        const char* omg;
        const char* name;
    };
    const Case cases[] = {
        {"S", "Stryktipset", "2026-50", "Stryktipset 2026-50 svenskaspel.txt"},
        {"T", "SuperToto", "2026-50", "SuperToto 2026-50 unibet.txt"},
        {"C", "Tipping L\xC3\xB8rdag", "2026-50", "Tipping L\xC3\xB8rdag 2026-50 ntf.ntf"},
        {"S", "../Strykt/ips:et", "2026-50", "_Strykt_ips_et 2026-50 svenskaspel.txt"},
        {"G", "Dansk 12", "", "Dansk 12.txt"},
        {"S", "..", "", "svenskaspel.txt"},
    };
    const fs::path folder = fs::path("/u") / "Stryktipset";
    for (const Case& c : cases) {
        auto doc = Doc(c.typ, c.pool, 13, kRows13);
        doc.Omg = c.omg;
        const fs::path p = ProposedExportName(doc, folder);
        EXPECT_EQ(p.parent_path(), folder) << c.pool;
        EXPECT_EQ(p.filename().string(), c.name) << c.pool;
    }
    TempDir dir;
    const fs::path out = ProposedExportName(Doc("S", "Stryktipset", 13, kRows13), dir.path());
    const auto r = ExportRows(Doc("S", "Stryktipset", 13, kRows13), out, {}, core::DisplaySigns{});
    ASSERT_TRUE(r.ok()) << r.message;
    const std::string said = ExportWrittenText(r, out);
    EXPECT_THAT(said, HasSubstr(out.string()));
    EXPECT_THAT(said, HasSubstr("3"));
}

TEST(RowFiles, PcBetSettingsFromTheSettingsFile) {
    TempDir dir;
    EXPECT_EQ(ReadPcBetSettings(dir.path() / "RAVAROZ.INI").name, "00000000000000000000");

    WriteBytes(dir.path() / "RAVAROZ.INI",
               "[General]\r\nName=not this\r\n[PCBET]\r\nName=Ola Nordmann\r\nCardNo=12343\r\nReciept=0\r\n"
               "Fulltime=abc\r\n");
    const PcBetSettings pc = ReadPcBetSettings(dir.path() / "RAVAROZ.INI");
    EXPECT_EQ(pc.name, "Ola Nordmann");
    EXPECT_EQ(pc.cardNo, "12343");
    EXPECT_EQ(pc.draws, "01");
    EXPECT_FALSE(pc.reciept);
    EXPECT_TRUE(pc.pause);
    EXPECT_TRUE(pc.fulltime);  // unreadable: the default
}

TEST(RowFiles, OwnRowsXml) {
    EXPECT_EQ(OwnRowsXml(Doc("S", "Stryktipset", 3, {"012", "221"}), "12345", core::DisplaySigns{}),
              "<egnarader klient=\"Vinra 2000\" ombud=\"41706\" spelkort=\"12345\">"
              "<spel produkt=\"1\" produktnamn=\"Stryktipset\">"
              "<rad system=\"E\">1,X,2</rad><rad system=\"E\">2,2,X</rad></spel></egnarader>");
    // Whatever the names and signs hold, the document stays well formed; the
    // card number keeps its digits only.
    EXPECT_EQ(OwnRowsXml(Doc("I", "A&B <\"x\"> 'y'\x01", 2, {"01"}), "12 3<4>5\"", core::DisplaySigns{"<", "&", "\""}),
              "<egnarader klient=\"Vinra 2000\" ombud=\"41706\" spelkort=\"12345\">"
              "<spel produkt=\"2\" produktnamn=\"A&amp;B &lt;&quot;x&quot;&gt; &#39;y&#39;\">"
              "<rad system=\"E\">&lt;,&amp;</rad></spel></egnarader>");
    EXPECT_THAT(OwnRowsXml(Doc("I", "Europatipset", 2, {}), "1", {}),
                HasSubstr("produkt=\"2\" produktnamn=\"Europatipset\"><"));
    // A parser gets back exactly the texts that went in.
    const std::string xml =
        OwnRowsXml(Doc("I", "Tips & \"<M\xC3\xA5l>\"", 2, {"01", "22"}), "777", core::DisplaySigns{"1", "X&", "2"});
    pugi::xml_document parsed;
    ASSERT_TRUE(parsed.load_string(xml.c_str()));
    const auto spel = parsed.child("egnarader").child("spel");
    EXPECT_STREQ(spel.attribute("produktnamn").value(), "Tips & \"<M\xC3\xA5l>\"");
    EXPECT_STREQ(spel.first_child().text().get(), "1,X&");
    EXPECT_STREQ(spel.last_child().text().get(), "2,2");
}

TEST(RowFiles, SubmissionReply) {
    const std::string ok = "<svar><status kod=\"0\">OK</status>";
    const struct {
        std::string reply;
        SubmissionStatus status;
        const char* url;
    } cases[] = {
        {ok + "<url>https://spela.example.se/godkann?id=17&amp;k=2</url></svar>", SubmissionStatus::Accepted,
         "https://spela.example.se/godkann?id=17&k=2"},
        {ok + "<url> http://127.0.0.1:8080/x </url><url>https://other</url>", SubmissionStatus::Accepted,
         "http://127.0.0.1:8080/x"},
        {ok + "<url>HTTPS://[::1]:443/</url>", SubmissionStatus::Accepted, "HTTPS://[::1]:443/"},
        {ok + "<url></url>", SubmissionStatus::AcceptedWithoutUrl, ""},
        {ok + "<url>javascript:alert(1)</url>", SubmissionStatus::AcceptedWithoutUrl, ""},
        {ok + "<url>file:///etc/passwd</url>", SubmissionStatus::AcceptedWithoutUrl, ""},
        {ok + "<url>https://</url>", SubmissionStatus::AcceptedWithoutUrl, ""},
        {ok + "<url>https://host:/x</url>", SubmissionStatus::AcceptedWithoutUrl, ""},
        {ok + "<url>https://ho st/x</url>", SubmissionStatus::AcceptedWithoutUrl, ""},
        {ok + "<url>https://host/a\"b</url>", SubmissionStatus::AcceptedWithoutUrl, ""},
        {ok + "<url>https://host/x", SubmissionStatus::AcceptedWithoutUrl, ""},
        {"<url>https://host/x</url>" + ok, SubmissionStatus::Accepted, "https://host/x"},
        {ok, SubmissionStatus::AcceptedWithoutUrl, ""},
        {"<status kod=\"1\">Fel</status><url>https://host/x</url>", SubmissionStatus::Refused, ""},
        {"", SubmissionStatus::Refused, ""},
    };
    for (const auto& c : cases) {
        const auto r = ParseSubmissionReply(c.reply);
        EXPECT_EQ(r.status, c.status) << c.reply;
        EXPECT_EQ(r.url, c.url) << c.reply;
    }
}

TEST(RowFiles, RowsFromTextKeepOnlyRowsOfTheThreeSigns) {
    const std::string text =
        "Stryktipset\r\n"
        "E,1,X,2\r\n"
        "2, 2, x\n"  // lower-case x, spaces
        "1 x 2\r"    // CR alone ends a line; a repeat of the first row
        "1X-\r\n"    // '-' is not a sign
        "1X\r\n"     // too short
        "1X21\r\n"   // too long
        "1,Y,2\r\n"  // not a sign: left out, leaving two
        "\r\n"
        "X X X";
    EXPECT_EQ(RowsFromText(text, 3, core::DisplaySigns{}), (std::vector<std::string>{"012", "221", "111"}));
    // A pool with its own letters reads its own files and plain 1, X, 2.
    const core::DisplaySigns hub{"H", "U", "B"};
    EXPECT_EQ(RowsFromText("E,H,U,B\r\nB,U,H\r\n1,X,2\r\nH,X,2\r\n", 3, hub), (std::vector<std::string>{"012", "210"}));
    EXPECT_TRUE(RowsFromText(text, 0, {}).empty());
}

TEST(RowFiles, ImportRowTextReadsBackExportedFiles) {
    TempDir dir;
    for (const char* typ : {"S", "T"}) {
        SCOPED_TRACE(typ);
        const fs::path file = dir.path() / (std::string(typ) + ".txt");
        auto src = Doc(typ, "M\xC3\xA5ltipset", 13, kRows13);
        ASSERT_TRUE(ExportRows(src, file, {}).ok());
        auto dst = Doc(typ, "M\xC3\xA5ltipset", 13, {});
        EXPECT_EQ(ImportRowText(dst, file), 3);
        EXPECT_EQ(dst.Rader, kRows13);
        EXPECT_EQ(ImportRowText(dst, file), 0);
        EXPECT_EQ(dst.Rader, kRows13);
    }
    // Rows already present are not added again; the new ones go to the end.
    auto doc = Doc("S", "Stryktipset", 13, {"2222222222222"});
    EXPECT_EQ(ImportRowText(doc, fs::path(VINRA_TEST_DATA) / "rf_stryktipset.txt"), 2);
    EXPECT_EQ(doc.Rader, (std::vector<std::string>{"2222222222222", "0120021102210", "0000000000001"}));
    // The NTF file has no rows to read; a missing file is an error.
    EXPECT_EQ(ImportRowText(doc, fs::path(VINRA_TEST_DATA) / "rf_ntf_23rows_A.ntf"), 0);
    EXPECT_THROW(ImportRowText(doc, dir.path() / "missing.txt"), core::FileError);
}

}  // namespace
}  // namespace vinra::output
