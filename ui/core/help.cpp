#include "ui/core/help.h"

#include <QApplication>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QUrl>
#include <QWidget>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "core/messages.h"
#include "core/settings.h"
#include "net/http.h"
#include "net/update_check.h"
#include "ui/core/prompter.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;

constexpr int kMsgNoHelpPage = 3600;  // "The help page %s is not installed. ..."
constexpr const char* kPageProperty = "vinraHelpPage";

std::mutex g_mutex;
HelpSource g_source;
bool g_sourceSet = false;

HelpSource CurrentSource() {
    std::lock_guard lock(g_mutex);
    if (g_sourceSet) return g_source;
    HelpSource s;
    s.installed = InstalledHelpFolder(QCoreApplication::applicationDirPath().toStdString());
    return s;
}

}  // namespace

const std::vector<std::string>& HelpPageNames() {
    // Window pages first, then the pages a player reads from start to end.
    static const std::vector<std::string> pages = {
        "main.htm",      "mainwindow.htm", "generate.htm",  "yescomb.htm",   "nocomb.htm",   "linechars.htm",
        "srows.htm",     "percent.htm",    "winlevel.htm",  "reduced.htm",   "expert.htm",   "template.htm",
        "check.htm",     "chooseomg.htm",  "save.htm",      "dbmanager.htm", "printwin.htm", "print.htm",
        "coupon.htm",    "printer.htm",    "pcbet.htm",     "viewer.htm",    "matchstat.htm", "gamewiz.htm",
        "settings.htm",  "internet.htm",   "mail.htm",      "getgames.htm",  "submit.htm",   "updatedb.htm",
        "start.htm",     "conditions.htm", "guarantee.htm", "checking.htm",  "value.htm",    "keyboard.htm",
        "faq.htm",
    };
    return pages;
}

bool IsHelpPage(std::string_view page) {
    for (const std::string& p : HelpPageNames())
        if (p == page) return true;
    return false;
}

void SetHelpSource(HelpSource source) {
    std::lock_guard lock(g_mutex);
    g_source = std::move(source);
    g_sourceSet = true;
}

fs::path InstalledHelpFolder(const fs::path& exeDir) { return exeDir / ".." / "share" / "vinra2000" / "help"; }

fs::path InstalledHelpPage(const fs::path& folder, int languageBase, std::string_view page) {
    // Only names of the list: the name becomes part of a path.
    if (folder.empty() || !IsHelpPage(page)) return {};
    for (int base : {languageBase, static_cast<int>(core::LangEnglish), static_cast<int>(core::LangSwedish)}) {
        const fs::path file = folder / std::to_string(base) / std::string(page);
        std::error_code ec;
        if (fs::is_regular_file(file, ec)) return fs::weakly_canonical(file, ec);
    }
    return {};
}

std::string HelpAddress(const std::string& host, const fs::path& installed, int languageBase, const std::string& page,
                        long timeoutMs) {
    if (!host.empty()) {
        const std::string url = net::HelpPageUrl(host, languageBase, page);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        try {
            // A service that is down or slow must not keep the player waiting
            // for the connection time-out of the downloads.
            const net::HttpReply reply =
                net::Get(url, [deadline](int64_t, int64_t) { return std::chrono::steady_clock::now() < deadline; });
            if (reply.ok()) return url;
        } catch (const net::NetError&) {
            // No answer: the installed page below.
        }
    }
    const fs::path file = InstalledHelpPage(installed, languageBase, page);
    if (file.empty()) return {};
    return QUrl::fromLocalFile(QString::fromStdString(file.string())).toString().toStdString();
}

void SetHelpPage(QWidget* window, const std::string& page) {
    window->setProperty(kPageProperty, QString::fromStdString(page));
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), window);
    f1->setObjectName(QStringLiteral("helpShortcut"));
    QObject::connect(f1, &QShortcut::activated, window, [window, page] { OpenHelp(window, page); });
}

std::string HelpPageOf(const QWidget* window) {
    return window ? window->property(kPageProperty).toString().toStdString() : std::string();
}

void OpenHelp(QWidget* parent, const std::string& page) {
    const HelpSource source = CurrentSource();
    const std::string host = source.host ? source.host() : std::string();
    const int language = core::CurrentLanguage();
    QPointer<QWidget> owner(parent);
    // The probe may take seconds; the browser starts on the GUI thread.
    std::thread([host, source, language, page, owner] {
        const std::string address = HelpAddress(host, source.installed, language, page);
        // The program may have ended while the service was asked.
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return;
        QMetaObject::invokeMethod(
            app,
            [address, source, page, owner] {
                QtPrompter prompter;
                QWidget* window = owner.data();
                if (address.empty()) {
                    prompter.error(window, QString::fromStdString(core::FormatMsg(core::Msg(kMsgNoHelpPage), {page})));
                    return;
                }
                const BrowserLauncher launch = source.launch ? source.launch : DesktopBrowser();
                if (!launch(QUrl(QString::fromStdString(address))))
                    prompter.error(window,
                                   QString::fromStdString(core::FormatMsg(core::Msg(kMsgNoBrowser), {address})));
            },
            Qt::QueuedConnection);
    }).detach();
}

}  // namespace vinra::ui
