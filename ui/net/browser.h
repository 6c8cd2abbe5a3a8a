#pragma once
// Addresses the program opens in the browser come from downloaded or
// hand-edited files (update.ini, the service's account and site pages, help
// links of National.Ini). Only a complete http:// or https:// address is
// handed to the browser; anything else, and a browser that does not start,
// gives a message that shows the address, so the player can copy it.
#include <functional>
#include <string>

class QUrl;
class QWidget;

namespace vinra::ui {

class Prompter;

// Starts the browser; false when it could not be started.
using BrowserLauncher = std::function<bool(const QUrl& url)>;
// The desktop's browser (QDesktopServices).
BrowserLauncher DesktopBrowser();

// Message numbers of the two failures (each with the address for %s).
inline constexpr int kMsgNotAWebAddress = 1202;  // "This is not a web address and is not opened: %s"
inline constexpr int kMsgNoBrowser = 1203;       // "No web browser could be started. Open this address yourself: %s"

// Opens url in the browser; true when a browser took it. launch: default the
// desktop's browser.
bool OpenAddress(QWidget* parent, Prompter& prompter, const std::string& url, const BrowserLauncher& launch = {});

}  // namespace vinra::ui
