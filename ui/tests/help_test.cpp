// The manual: the page of every window in every language, links that lead
// somewhere, and F1 opening the service's page or the installed one.
#include "ui/core/help.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QUrl>
#include <QtTest/QTest>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "core/settings.h"
#include "core/messages.h"
#include "tests/temp_dir.h"
#include "tests/tiny_http_server.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;
using vinra::testing::TinyServer;

const fs::path kBuilt = VINRA_HELP_DIR;
const std::pair<int, const char*> kLanguages[] = {{core::LangSwedish, "sv"},
                                                  {core::LangEnglish, "en"},
                                                  {core::LangDanish, "da"},
                                                  {core::LangNorwegian, "no"},
                                                  {core::LangFinnish, "fi"}};

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(Manual, EveryPageAWindowCanOpenIsThereInAllFiveLanguages) {
    for (const auto& [base, lang] : kLanguages)
        for (const std::string& page : HelpPageNames()) {
            const fs::path file = kBuilt / std::to_string(base) / page;
            ASSERT_TRUE(fs::is_regular_file(file)) << file;
            const std::string text = ReadAll(file);
            EXPECT_NE(text.find(std::string("<html lang=\"") + lang + "\">"), std::string::npos) << file;
            EXPECT_NE(text.find("<h1>"), std::string::npos) << file;
        }
}

TEST(Manual, EveryLinkAndPictureLeadsToAFileOfTheSameLanguage) {
    const std::regex link(R"re((?:href|src)="([^"#]*)(#[^"]*)?")re");
    for (const auto& [base, lang] : kLanguages) {
        const fs::path folder = kBuilt / std::to_string(base);
        for (const auto& entry : fs::directory_iterator(folder)) {
            if (entry.path().extension() != ".htm") continue;
            const std::string text = ReadAll(entry.path());
            for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
                const std::string target = (*it)[1];
                if (target.empty() || target.rfind("http", 0) == 0 || target.rfind("mailto:", 0) == 0) continue;
                EXPECT_EQ(target.find('/'), std::string::npos) << entry.path() << ": " << target;
                EXPECT_TRUE(fs::is_regular_file(folder / target)) << entry.path() << ": " << target;
            }
        }
    }
}

// A window that names a page outside the list would open nothing: every page
// name written in the windows' code is one of the manual's.
TEST(Manual, EveryPageNamedInTheWindowsIsAPageOfTheManual) {
    // Any literal ending in .htm, and any literal handed to the help calls.
    const std::regex literal(R"re("([A-Za-z0-9_]+\.htm)"|(?:OpenHelp|OpenHelpPage|SetHelpPage)\([^;"]*"([^"]*)")re");
    // Files of the transfers, not pages of the manual.
    const std::set<std::string> notPages = {"download.htm", "checkround.htm"};
    int named = 0;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(VINRA_SOURCE_DIR) / "ui")) {
        const std::string ext = entry.path().extension().string();
        if ((ext != ".cpp" && ext != ".h") || entry.path().parent_path().filename() == "tests") continue;
        const std::string text = ReadAll(entry.path());
        for (std::sregex_iterator it(text.begin(), text.end(), literal), end; it != end; ++it) {
            const std::string page = (*it)[1].matched ? (*it)[1].str() : (*it)[2].str();
            if (notPages.count(page)) continue;
            ++named;
            EXPECT_TRUE(IsHelpPage(page)) << entry.path() << " names " << page;
        }
    }
    EXPECT_GE(named, 20);
}

// The service's page when it answers; the installed page (in the language,
// else English) when the service is down, lacks the page, or none is set.
TEST(HelpAddress, ServiceWhenItAnswersElseTheInstalledPage) {
    vinra::testing::TempDir dir;
    fs::create_directories(dir.path() / "0");
    fs::create_directories(dir.path() / "10000");
    std::ofstream(dir.path() / "0" / "check.htm") << "sv";
    std::ofstream(dir.path() / "10000" / "check.htm") << "en";
    std::ofstream(dir.path() / "10000" / "save.htm") << "en";
    const std::string installedCheck = QUrl::fromLocalFile(QString::fromStdString(
                                                               fs::weakly_canonical(dir.path() / "0" / "check.htm").string()))
                                           .toString()
                                           .toStdString();
    TinyServer service(TinyServer::Files{{"/vinra2000/help/0/html/check.htm", "<html lang=\"sv\">"}});
    const std::string down = "http://127.0.0.1:" + std::to_string(vinra::testing::UnusedLoopbackPort());
    struct Case {
        std::string host;
        int base;
        std::string page, expected;
    };
    const Case cases[] = {
        {service.Host(), 0, "check.htm", service.Host() + "/vinra2000/help/0/html/check.htm"},
        {down, 0, "check.htm", installedCheck},
        {"", 0, "check.htm", installedCheck},
        {service.Host(), 0, "save.htm", "file://" + fs::weakly_canonical(dir.path() / "10000" / "save.htm").string()},
        {down, core::LangFinnish, "save.htm",
         "file://" + fs::weakly_canonical(dir.path() / "10000" / "save.htm").string()},
        {down, 0, "printwin.htm", ""},       // a page of the list that is not installed
        {down, 0, "../0/check.htm", ""},     // not a page name: never a path
    };
    for (const Case& c : cases)
        EXPECT_EQ(HelpAddress(c.host, dir.path(), c.base, c.page, 2000), c.expected) << c.host << " " << c.page;
}

// F1 in a window that named its page opens that page, off the GUI thread's
// back, with the browser started on the GUI thread.
TEST(HelpAddress, F1InAWindowOpensItsPageInThePlayersLanguage) {
    vinra::testing::TempDir dir;
    fs::create_directories(dir.path() / "10000");
    std::ofstream(dir.path() / "10000" / "gamewiz.htm") << "en";
    std::vector<std::string> opened;
    SetHelpSource({.host = {}, .installed = dir.path(), .launch = [&](const QUrl& url) {
                       EXPECT_EQ(QThread::currentThread(), qApp->thread());
                       opened.push_back(url.toString().toStdString());
                       return true;
                   }});
    core::SetCurrentLanguage(core::LangEnglish);
    QDialog window;
    SetHelpPage(&window, "gamewiz.htm");
    EXPECT_EQ(HelpPageOf(&window), "gamewiz.htm");
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::keyClick(&window, Qt::Key_F1);
    QElapsedTimer t;
    t.start();
    while (opened.empty() && t.elapsed() < 5000) QTest::qWait(20);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], "file://" + fs::weakly_canonical(dir.path() / "10000" / "gamewiz.htm").string());
    SetHelpSource({});
}

}  // namespace
}  // namespace vinra::ui
