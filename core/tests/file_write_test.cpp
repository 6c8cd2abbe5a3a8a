// What the atomic writer does to what is already at the path, and the text a
// saved file reads back as.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/ini.h"
#include "core/messages.h"
#include "core/settings.h"
#include "core/system_document.h"
#include "core/system_error.h"
#include "core/system_file.h"
#include "core/text.h"
#include "tests/temp_dir.h"
#include "tests/thrown_text.h"

namespace vinra::core {
namespace {

namespace fs = std::filesystem;
using vinra::testing::ReadBytes;
using vinra::testing::TempDir;
using vinra::testing::WriteBytes;

mode_t ModeOf(const fs::path& p) {
    struct stat st {};
    EXPECT_EQ(::lstat(p.c_str(), &st), 0) << p;
    return st.st_mode;
}

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(AtomicWrite, ASymbolicLinkStaysALinkAndItsTargetGetsTheBytes) {
    TempDir dir;
    fs::create_directory(dir.path() / "real");
    WriteBytes(dir.path() / "real" / "system.1x2", "old");
    fs::create_symlink("real/system.1x2", dir.path() / "link.1x2");
    WriteFileAtomic(dir.path() / "link.1x2", "new");
    EXPECT_TRUE(fs::is_symlink(dir.path() / "link.1x2"));
    EXPECT_EQ(ReadBytes(dir.path() / "real" / "system.1x2"), "new");
    // The temporary file went beside the target, and is gone.
    EXPECT_EQ(Entries(dir.path() / "real"), std::vector<std::string>{"system.1x2"});

    // A link to a file that does not exist yet creates that file.
    fs::create_symlink("real/later.1x2", dir.path() / "dangling.1x2");
    WriteFileAtomic(dir.path() / "dangling.1x2", "made");
    EXPECT_TRUE(fs::is_symlink(dir.path() / "dangling.1x2"));
    EXPECT_EQ(ReadBytes(dir.path() / "real" / "later.1x2"), "made");
}

TEST(AtomicWrite, AnExistingFileKeepsItsModeAndOwner) {
    TempDir dir;
    const fs::path secret = dir.path() / "RAVAROZ.INI";
    WriteBytes(secret, "a");
    ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
    WriteFileAtomic(secret, "b");
    EXPECT_EQ(ModeOf(secret) & 07777, 0600u);
    ASSERT_EQ(::chmod(secret.c_str(), 0640), 0);
    WriteFileAtomic(secret, "c");
    EXPECT_EQ(ModeOf(secret) & 07777, 0640u);
    EXPECT_EQ(ReadBytes(secret), "c");

    if (::geteuid() == 0) {  // only root may give a file away
        ASSERT_EQ(::chown(secret.c_str(), 4321, 4321), 0);
        WriteFileAtomic(secret, "d");
        struct stat st {};
        ASSERT_EQ(::stat(secret.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 4321u);
        EXPECT_EQ(st.st_gid, 4321u);
    }
}

TEST(AtomicWrite, APipeOrDeviceIsWrittenNotReplaced) {
    TempDir dir;
    const fs::path fifo = dir.path() / "rows.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The reader is open before the writer comes, so neither waits on the other.
    const int rd = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(rd, 0);
    std::string got;
    std::thread reader([&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        bool writerSeen = false;
        while (std::chrono::steady_clock::now() < until) {
            pollfd p{rd, POLLIN, 0};
            ::poll(&p, 1, 100);
            char buf[64];
            const ssize_t n = ::read(rd, buf, sizeof buf);
            if (n > 0) {
                got.append(buf, static_cast<size_t>(n));
                writerSeen = true;
            } else if (n == 0 && writerSeen) {
                break;
            }
        }
    });
    WriteFileAtomic(fifo, "E,1,X,2\r\n");
    reader.join();
    ::close(rd);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(got, "E,1,X,2\r\n");

    // A link to a character device: the device gets the bytes, link and device stay.
    fs::create_symlink("/dev/null", dir.path() / "null");
    WriteFileAtomic(dir.path() / "null", "discarded");
    EXPECT_TRUE(fs::is_symlink(dir.path() / "null"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));

    // A folder is refused with a message that says so; nothing is left behind.
    fs::create_directory(dir.path() / "Systems");
    try {
        WriteFileAtomic(dir.path() / "Systems", "x");
        ADD_FAILURE() << "a folder was written";
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("is a folder"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(fs::is_directory(dir.path() / "Systems"));
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"Systems", "null", "rows.fifo"}));
}

TEST(AtomicWrite, LeftoverTemporaryFilesOfTheTargetAreRemoved) {
    TempDir dir;
    const fs::path target = dir.path() / "a.1x2";
    // What a write killed before its rename leaves behind.
    WriteBytes(dir.path() / ".a.1x2.2846102938.tmp", "half");
    WriteBytes(dir.path() / ".a.1x2.77.tmp", "");
    // Not ours: another target's temporary file, a user's file of a similar name.
    WriteBytes(dir.path() / ".b.1x2.123.tmp", "b");
    WriteBytes(dir.path() / ".a.1x2.notes.tmp", "mine");
    // A live writer's temporary file: it holds the lock.
    const fs::path live = dir.path() / ".a.1x2.555.tmp";
    WriteBytes(live, "busy");
    const int fd = ::open(live.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);

    WriteFileAtomic(target, "rows");
    ::close(fd);
    EXPECT_EQ(ReadBytes(target), "rows");
    EXPECT_EQ(Entries(dir.path()),
              (std::vector<std::string>{".a.1x2.555.tmp", ".a.1x2.notes.tmp", ".b.1x2.123.tmp", "a.1x2"}));
}

// Text that was saved reads back unchanged, for every Windows-1252 character
// next to every other: pairs such as "Ã©" are valid UTF-8 once written as
// Windows-1252.
// A batch replaces nothing before its commit, leaves no temporary file behind,
// and after a failed rename drops the files added later (a reference copy
// written after its file never lands without it).
TEST(AtomicWriteBatch, TargetsChangeAtCommitInOrderAndNothingIsLeftBehind) {
    TempDir dir;
    const fs::path x = dir.path() / "x", y = dir.path() / "y";
    fs::create_directories(x);
    fs::create_directories(y);
    WriteBytes(x / "a", "old a");
    {
        AtomicWriteBatch batch;
        batch.Add(x / "a", "new a");
        batch.Add(x / "b", "new b");
        EXPECT_EQ(ReadBytes(x / "a"), "old a");
        EXPECT_FALSE(fs::exists(x / "b"));
        EXPECT_EQ(batch.PendingCount(), 2u);
    }  // never committed
    EXPECT_EQ(Entries(x), std::vector<std::string>{"a"});
    EXPECT_EQ(ReadBytes(x / "a"), "old a");

    AtomicWriteBatch batch;
    batch.Add(x / "a", "new a");
    batch.Add(y / "b", "new b");
    batch.Add(x / "c", "new c");
    EXPECT_TRUE(batch.Commit().empty());
    EXPECT_EQ(ReadBytes(x / "a"), "new a");
    EXPECT_EQ(ReadBytes(y / "b"), "new b");
    EXPECT_EQ(Entries(x), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(batch.PendingCount(), 0u);

    batch.Add(x / "a", "third a");
    batch.Add(y / "b", "third b");
    batch.Add(x / "c", "third c");
    fs::remove_all(y);  // b's temporary file goes with its folder: its rename fails
    const auto failed = batch.Commit();
    ASSERT_EQ(failed.size(), 2u);
    EXPECT_EQ(failed[0].path, y / "b");
    EXPECT_EQ(failed[1].path, x / "c");
    EXPECT_FALSE(failed[0].reason.empty());
    EXPECT_EQ(ReadBytes(x / "a"), "third a");
    EXPECT_EQ(ReadBytes(x / "c"), "new c");
    EXPECT_EQ(Entries(x), (std::vector<std::string>{"a", "c"}));
}

TEST(SavedText, EveryWindows1252TextReadsBackUnchanged) {
    std::vector<std::string> chars;
    for (int b = 0x20; b < 0x100; ++b) {
        if (b == 0x7F || b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D) continue;
        chars.push_back(Cp1252ToUtf8(std::string(1, static_cast<char>(b))));
    }
    int failures = 0;
    for (const auto& a : chars)
        for (const auto& b : chars) {
            const std::string text = "x" + a + b;
            if (DecodeFileText(EncodeFileText(text)) != text && ++failures <= 5) ADD_FAILURE() << text;
        }
    EXPECT_EQ(failures, 0);
    for (const char* text : {"Caf\xC3\x83\xC2\xA9 \xC3\x83\xE2\x80\xA6land",  // "CafÃ© Ã…land"
                             "\xC3\xA2\xE2\x80\x9A\xC2\xAC",                  // "â‚¬", the euro sign's bytes
                             "\xC3\xAF\xC2\xBB\xC2\xBF"
                             "abc",  // "ï»¿abc", a BOM's bytes
                             "plain", "V\xC3\xA4xj\xC3\xB6"})
        EXPECT_EQ(DecodeFileText(EncodeFileText(text)), text) << text;
    // Ordinary text stays Windows-1252, as other installations read it.
    EXPECT_EQ(EncodeFileText("V\xC3\xA4xj\xC3\xB6"), "V\xE4xj\xF6");
}

TEST(SavedText, SettingsAndSystemFilesReadBackAsSaved) {
    TempDir dir;
    const std::string team = "Caf\xC3\x83\xC2\xA9 \xC3\x83\xE2\x80\xA6land";  // "CafÃ© Ã…land"
    IniFile ini;
    ini.WriteString("Settings", "Name", team);
    ini.SaveToFile(dir.path() / "RAVAROZ.INI");
    EXPECT_EQ(IniFile::FromFile(dir.path() / "RAVAROZ.INI").ReadString("Settings", "Name"), team);

    TVinraFile doc;
    doc.Comment = team;
    doc.SaveToFile(dir.path() / "s.1x2");
    TVinraFile back;
    back.LoadFromFile(dir.path() / "s.1x2");
    EXPECT_EQ(back.Comment, team);
}

// File failures reach the player in his language: neither the reason nor the
// C library's errno text stays English in a Swedish program.
TEST(FileMessages, ReasonsSpeakThePlayersLanguage) {
    TempDir dir;
    SetCurrentLanguage(LangSwedish);
    const struct {
        int err;
        const char* swedish;
    } reasons[] = {{EACCES, "behörighet saknas"}, {EPERM, "behörighet saknas"}, {ENOSPC, "disken är full"},
                   {EROFS, "disken är skrivskyddad"}, {ENOENT, "mappen finns inte"}, {EIO, "systemfel 5"}};
    for (const auto& r : reasons) EXPECT_EQ(SystemErrorText(r.err), r.swedish) << r.err;

    const auto what = vinra::testing::ThrownText<FileError>;
    const fs::path missing = dir.path() / "no" / "such" / "a.1x2";
    EXPECT_EQ(what([&] { WriteFileAtomic(missing, "x"); }),
              "\"" + missing.string() + "\" kan inte skrivas: mappen finns inte");
    EXPECT_EQ(what([&] { ReadFileBytes(missing); }), "\"" + missing.string() + "\" finns inte");
    EXPECT_EQ(what([&] { ReadFileBytes(dir.path()); }), "\"" + dir.path().string() + "\" är en mapp, inte en fil");
    SetCurrentLanguage(LangEnglish);
    EXPECT_EQ(SystemErrorText(EACCES), "no permission");
}

// Saving takes a shortcut for ASCII text: the bytes are those of the general encoding either way.
TEST(SavedText, SystemFileBytesAreTheEncodedText) {
    TempDir dir;
    for (const std::string comment : {"", "plain 1X2", "V\xC3\xA4xj\xC3\xB6", "\xEF\xBB\xBF" "bom", "\xE2\x82\xAC 5"}) {
        TVinraFile doc;
        doc.NewSystem(3, true);
        doc.Rader = {"012", "210", "111"};
        doc.Comment = comment;
        doc.SaveToFile(dir.path() / "s.1x2");
        EXPECT_EQ(ReadBytes(dir.path() / "s.1x2"), EncodeFileText(SystemFileText(doc))) << comment;
    }
}

}  // namespace
}  // namespace vinra::core

