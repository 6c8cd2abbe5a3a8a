// Failures that end in a message box are told in the player's language: the
// server's refusal, an error status, a server that never answers or cannot be
// reached, and a name an INI file cannot hold. Each case runs in Swedish and in
// Finnish and must give that language's text, with no English word in it.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/ini.h"
#include "core/ini_names.h"
#include "core/settings.h"
#include "net/active_pools.h"
#include "net/download.h"
#include "net/submission.h"
#include "net/tests/short_timeouts.h"
#include "tests/in_language.h"
#include "tests/local_server.h"
#include "tests/temp_dir.h"

namespace vinra::net {
namespace {

using vinra::testing::EnglishWords;
using vinra::testing::FixedPieces;
using vinra::testing::InLanguage;

// The error of one download-worker transfer.
std::string WorkerError(const std::string& url) {
    auto inbox = std::make_shared<TDownloadInbox>();
    TDownloadThread(inbox, {}, url, 1).Start();
    EXPECT_TRUE(inbox->WaitIdle(std::chrono::seconds(10)));
    for (const TSyncInfo& s : inbox->Drain())
        if (s.state == kSyncFinished) return s.error;
    return "no end reported";
}

std::string IniError(const std::string& section, const std::string& key) {
    core::IniFile ini;
    try {
        ini.WriteString(section, key, "v");
    } catch (const core::IniNameError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(ErrorsInThePlayersLanguage, TransferAndNameErrors) {
    vinra::testing::LocalServer server;
    int status = 200;
    std::string body;
    bool stall = false;
    server.svr.Get("/vinra/activepools", [&](const httplib::Request&, httplib::Response& res) {
        if (stall) {
            server.Hold();
            return;
        }
        res.status = status;
        res.set_content(body, "text/plain");
    });
    server.svr.Post("/Vinra/egnarader", [&](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        res.set_content(body, "text/xml");
    });
    server.Start();
    const std::string host = server.Host();
    const std::string closed = "http://127.0.0.1:1";  // nothing listens there: the connection is refused
    vinra::testing::TempDir dir;
    testing::ShortTimeouts timeouts(2000, 300);
    core::TVinraFile doc;
    doc.NewSystem(3, true);
    doc.Typ = "S";
    doc.Rader = {"012"};

    struct Case {
        const char* what;
        int status;
        std::string body;
        bool stall;
        std::function<std::string()> run;
        std::vector<int> messages;  // the messages the text is made of
    };
    auto pools = [&](const std::string& h) {
        return [&dir, h] { return RefreshActivePools(h, dir.path(), nullptr).error; };
    };
    const std::vector<Case> cases = {
        {"active pools refused", 404, "Not found", false, pools(host), {4103}},
        {"active pools server error", 500, "", false, pools(host), {4103}},
        {"active pools not a list", 200, "<html>log in</html>", false, pools(host), {4105}},
        {"active pools never answer", 200, "", true, pools(host), {4104, 3189}},
        {"active pools unreachable", 200, "", false, pools(closed), {4104, 3192, 3194}},
        {"worker error status", 404, "", false, [&] { return WorkerError(host + "/vinra/activepools"); }, {4100}},
        {"worker unreachable", 200, "", false, [&] { return WorkerError(closed + "/x"); }, {3192, 3194}},
        {"submission error status", 500, "", false, [&] { return SubmitOwnRows(host, doc, "1").error; }, {4100}},
        {"INI section", 0, "", false, [] { return IniError("a]b", "k"); }, {4110}},
        {"INI key", 0, "", false, [] { return IniError("s", "a=b"); }, {4111}},
    };
    for (int language : {core::LangSwedish, core::LangFinnish}) {
        for (const Case& c : cases) {
            status = c.status;
            body = c.body;
            stall = c.stall;
            server.release = false;
            std::string text;
            {
                InLanguage in(language);
                text = c.run();
            }
            SCOPED_TRACE(std::string(c.what) + " in language " + std::to_string(language) + ": " + text);
            for (int n : c.messages)
                for (const std::string& piece : FixedPieces(core::MsgIn(language, n)))
                    EXPECT_NE(text.find(piece), std::string::npos) << "message " << n << " piece \"" << piece << "\"";
            EXPECT_EQ(EnglishWords(text, {host, closed, "activepools.ini", "INI"}), std::vector<std::string>{});
            server.release = true;
        }
    }
}

}  // namespace
}  // namespace vinra::net
