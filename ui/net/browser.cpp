#include "ui/net/browser.h"

#include <QDesktopServices>
#include <QUrl>

#include "core/messages.h"
#include "core/text.h"
#include "output/row_files.h"
#include "ui/core/prompter.h"

namespace vinra::ui {

BrowserLauncher DesktopBrowser() {
    return [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

bool OpenAddress(QWidget* parent, Prompter& prompter, const std::string& url, const BrowserLauncher& launch) {
    const std::string address(core::Trim(url));
    // A file, a program or a script handed to the desktop's opener could run
    // anything; a web address only opens a page.
    if (!output::IsCompleteHttpUrl(address)) {
        prompter.error(parent, QString::fromStdString(core::FormatMsg(core::Msg(kMsgNotAWebAddress), {address})));
        return false;
    }
    const QUrl target(QString::fromStdString(address), QUrl::StrictMode);
    const BrowserLauncher start = launch ? launch : DesktopBrowser();
    if (!target.isValid() || !start(target)) {
        prompter.error(parent, QString::fromStdString(core::FormatMsg(core::Msg(kMsgNoBrowser), {address})));
        return false;
    }
    return true;
}

}  // namespace vinra::ui
