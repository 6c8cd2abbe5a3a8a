#pragma once
// Place bet: the rows of the current system go to the pool operator.
//   Svenska Spel  the direct-submission dialog (TfrmSSXml) posts them as own
//                 rows through the maker's web service
//   Unibet        a row file the player uploads at the operator's web site
// Their texts are messages of the language table (numbers below).
#include <filesystem>
#include <functional>
#include <string>

#include <QDialog>
#include <QString>

#include "net/active_pools.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vinra::ui {

class Program;
class Prompter;

// Opens an address in the browser (tests hand in one that records it).
using UrlOpener = std::function<void(const QString& url)>;
// The browser, for complete http(s) addresses only; any other address, or a
// browser that does not start, is shown in a message (ui/net/browser.h).
UrlOpener DefaultUrlOpener(QWidget* parent, Prompter& prompter);

// The maker's web service, from update.ini [Service] Host (empty when none).
std::string ServiceHost(const Program& program);
// Operator pages, from update.ini [Service] SvenskaSpelAccountPage and
// UnibetSite when set, else the operators' public addresses.
std::string SvenskaSpelAccountPage(const Program& program);
std::string UnibetSite(const Program& program);

// Messages of the submission dialog and the Unibet hand-over.
inline constexpr int kMsgSubmitTitle = 1130;         // "Direct submission to Svenska Spel's shop"
inline constexpr int kMsgRowCount = 1131;            // "Number of rows: %d"
inline constexpr int kMsgCardNo = 1132;              // "Playing card number (also called customer number ...):"
inline constexpr int kMsgSaveCardNo = 1133;          // "Save &card number"
inline constexpr int kMsgFindCardNo = 1134;          // "Find playing card number"
inline constexpr int kMsgSend = 1135;                // "&Send"
inline constexpr int kMsgClose = 1136;               // "&Close"
inline constexpr int kMsgSubmitUnauthorised = 1137;  // "Vinra: 401 - Authorisation required!"
inline constexpr int kMsgUnibetCreated = 1144;       // "A file for submission to Unibet has been created. ..."
inline constexpr int kMsgTextFilter = 1145;          // "Text (*.txt *.TXT)"

// Settings key of the playing card number: RAVAROZ.INI [General] SSCardNo.
inline constexpr const char* kCardNoKey = "SSCardNo";

// The direct-submission dialog: rows and cost, the playing
// card number (digits only, remembered when asked to), and Send.
class TfrmSSXml : public QDialog {
    Q_OBJECT
public:
    TfrmSSXml(Program& program, Prompter& prompter, UrlOpener openUrl, QWidget* parent = nullptr);

    // Posts the rows off the GUI thread under a transfer window (Cancel after a
    // moment). Success closes the dialog and opens the approval page; a failure
    // says so and keeps the dialog open, as does Cancel (the status line says
    // it). The system never changes.
    void SendClick();
    // How long the GUI thread went without its events during the last Send, in ms.
    qint64 LastTickGapMs() const { return lastTickGapMs_; }
    // Opens Svenska Spel's personal-details page, where the number is shown.
    void FindCardNoClick();

    QLineEdit* CardNoEdit() const { return cardNo_; }
    QCheckBox* SaveCardNoBox() const { return saveCardNo_; }
    QLabel* RowsLabel() const { return rows_; }
    QLabel* CostLabel() const { return cost_; }
    QLabel* StatusLabel() const { return status_; }
    QPushButton* SendButton() const { return send_; }

public slots:
    // Every way of closing stores the card number (or clears it).
    void done(int result) override;

private:
    void keepDigits();

    Program& program_;
    Prompter& prompter_;
    UrlOpener openUrl_;
    QLabel* rows_ = nullptr;
    QLabel* cost_ = nullptr;
    QLineEdit* cardNo_ = nullptr;
    QCheckBox* saveCardNo_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* send_ = nullptr;
    bool stored_ = false;
    qint64 lastTickGapMs_ = 0;
};

struct SubmitServices {
    UrlOpener openUrl;                          // default: the browser
    std::function<void(TfrmSSXml&)> runDialog;  // default: exec()
    std::function<net::LocalDateTime()> now;    // default: the local clock
};

// Questions before rows go out for a round that has closed (Yes sends).
inline constexpr int kMsgRoundClosedOn = 1200;  // "The round closed on %s. Send the rows anyway?"
inline constexpr int kMsgRoundClosed = 1201;    // "Round %s has closed. Send the rows anyway?"

// The main window's Place bet command. fileName: the current file name;
// untitled: the system has never been saved under a name of its own. Without
// rows: message 283. A round the active pools show as closed is asked about
// first (messages 1200, 1201). Svenska Spel: the submission dialog. Unibet: a save
// dialog proposing the system's name with ".txt", the Unibet row file, and the
// question whether to open Unibet's web site. Other operators: nothing.
// The document is not changed.
void SubmitClick(QWidget* parent, Program& program, const std::filesystem::path& fileName, bool untitled,
                 Prompter& prompter, const SubmitServices& services = {});

// The name the Unibet save dialog proposes: the system's file name with its
// ".1x2" replaced by ".txt" (".txt" added when it has no such ending); for an
// untitled system "<Pool> <Omg>.txt" in the pool's folder of the user folder.
std::filesystem::path UnibetProposedName(const Program& program, const std::filesystem::path& fileName, bool untitled);

// Message-box text: the CR that separates lines in these texts as LF.
QString BoxText(const std::string& text);

}  // namespace vinra::ui
