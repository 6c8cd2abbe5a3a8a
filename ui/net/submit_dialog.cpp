#include "ui/net/submit_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/text.h"
#include "net/submission.h"
#include "output/row_files.h"
#include "ui/core/help.h"
#include "ui/core/program.h"
#include "ui/core/prompter.h"
#include "ui/net/browser.h"
#include "ui/net/http_window.h"

namespace vinra::ui {

namespace fs = std::filesystem;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

std::string ServiceKey(const Program& program, const char* key, const char* fallback) {
    const std::string value = std::string(core::Trim(program.updateIni.ReadString("Service", key)));
    return value.empty() ? std::string(fallback) : value;
}

}  // namespace

UrlOpener DefaultUrlOpener(QWidget* parent, Prompter& prompter) {
    return [parent, &prompter](const QString& url) { OpenAddress(parent, prompter, url.toStdString()); };
}

std::string ServiceHost(const Program& program) { return ServiceKey(program, "Host", ""); }

std::string SvenskaSpelAccountPage(const Program& program) {
    return ServiceKey(program, "SvenskaSpelAccountPage", "https://www.svenskaspel.se/mitt-konto/personuppgifter");
}

std::string UnibetSite(const Program& program) { return ServiceKey(program, "UnibetSite", "https://www.unibet.se/"); }

QString BoxText(const std::string& text) {
    QString s = Q(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QChar('\r'), QChar('\n'));
    return s;
}

// ---------------------------------------------------------------------------

TfrmSSXml::TfrmSSXml(Program& program, Prompter& prompter, UrlOpener openUrl, QWidget* parent)
    : QDialog(parent), program_(program), prompter_(prompter), openUrl_(std::move(openUrl)) {
    SetHelpPage(this, "submit.htm");
    setObjectName(QStringLiteral("TfrmSSXml"));
    setWindowTitle(Q(core::Msg(kMsgSubmitTitle)));
    if (!openUrl_) openUrl_ = DefaultUrlOpener(this, prompter_);
    const core::TVinraFile& doc = program_.doc;

    rows_ = new QLabel(Q(core::FormatMsg(core::Msg(kMsgRowCount), {static_cast<long long>(doc.Rader.size())})), this);
    const int price = program_.national.SettingsOfSystem(doc.Pool, doc.Typ).pricePerRow;
    cost_ = new QLabel(Q(net::SubmissionCostText(doc.Rader.size(), price)), this);

    auto* cardLabel = new QLabel(Q(core::Msg(kMsgCardNo)), this);
    cardNo_ = new QLineEdit(this);
    cardNo_->setObjectName(QStringLiteral("edtCardNo"));
    cardLabel->setBuddy(cardNo_);
    saveCardNo_ = new QCheckBox(Q(core::Msg(kMsgSaveCardNo)), this);
    auto* find = new QPushButton(Q(core::Msg(kMsgFindCardNo)), this);
    status_ = new QLabel(this);
    send_ = new QPushButton(Q(core::Msg(kMsgSend)), this);
    send_->setDefault(true);
    auto* close = new QPushButton(Q(core::Msg(kMsgClose)), this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rows_);
    layout->addWidget(cost_);
    layout->addSpacing(8);
    layout->addWidget(cardLabel);
    auto* cardRow = new QHBoxLayout;
    cardRow->addWidget(cardNo_, 1);
    cardRow->addWidget(find);
    layout->addLayout(cardRow);
    layout->addWidget(saveCardNo_);
    layout->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(send_);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(cardNo_, &QLineEdit::textChanged, this, [this] { keepDigits(); });
    connect(find, &QPushButton::clicked, this, [this] { FindCardNoClick(); });
    connect(send_, &QPushButton::clicked, this, [this] { SendClick(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    const std::string stored = program_.settingsFile().ini().ReadString("General", kCardNoKey);
    cardNo_->setText(Q(stored));
    saveCardNo_->setChecked(!stored.empty());
}

void TfrmSSXml::keepDigits() {
    const QString text = cardNo_->text();
    const int cursor = cardNo_->cursorPosition();
    QString digits;
    int newCursor = 0;
    for (int i = 0; i < text.size(); ++i) {
        if (!text[i].isDigit() || text[i].unicode() > '9') continue;
        digits += text[i];
        if (i < cursor) ++newCursor;
    }
    if (digits == text) return;
    cardNo_->setText(digits);
    cardNo_->setCursorPosition(newCursor);
}

void TfrmSSXml::FindCardNoClick() { openUrl_(Q(SvenskaSpelAccountPage(program_))); }

void TfrmSSXml::SendClick() {
    const std::string host = ServiceHost(program_);
    net::SubmissionResult r;
    bool cancelled = false;
    status_->setText(Q(core::Msg(net::kMsgSubmitSending)));
    send_->setEnabled(false);
    if (host.empty()) {
        r.outcome = net::SubmissionOutcome::CommunicationError;
    } else {
        // The worker gets copies of all it reads: nothing it uses can change
        // under it while the GUI thread keeps running.
        const core::TVinraFile doc = program_.doc;
        const std::string cardNo = cardNo_->text().toStdString();
        const core::DisplaySigns signs = core::CurrentDisplaySigns();
        const TransferOutcome out = RunTransfer(this, windowTitle(), status_->text(), [&](TransferContext&) {
            r = net::SubmitOwnRows(host, doc, cardNo, signs);
        });
        lastTickGapMs_ = out.longestTickGapMs;
        cancelled = out.cancelled;
        if (!out.error.isEmpty()) r.outcome = net::SubmissionOutcome::CommunicationError;
    }
    status_->clear();
    send_->setEnabled(true);
    if (cancelled) {
        // The player stopped it: no error box, the dialog stays for another try.
        status_->setText(Q(TransferCancelledText()));
        return;
    }
    if (r.httpStatus == 401) prompter_.error(this, Q(core::Msg(kMsgSubmitUnauthorised)));
    switch (r.outcome) {
        case net::SubmissionOutcome::CommunicationError:
            prompter_.error(this, Q(core::Msg(net::kMsgSubmitCommunicationError)));
            return;
        case net::SubmissionOutcome::Refused: prompter_.error(this, Q(core::Msg(net::kMsgSubmitRefused))); return;
        // Refusals the service states are told as what they are, not as a network fault.
        case net::SubmissionOutcome::TooManyRows:
            prompter_.error(this, Q(core::FormatMsg(core::Msg(net::kMsgSubmitTooManyRows),
                                                    {core::GroupDigits(static_cast<int64_t>(net::kOwnRowsMaxRows))})));
            return;
        case net::SubmissionOutcome::RoundClosed:
            prompter_.error(this, Q(core::Msg(net::kMsgSubmitRoundClosed)));
            return;
        case net::SubmissionOutcome::AcceptedWithoutUrl:
            // The rows are with the shop; only the way to its login is missing.
            prompter_.information(this, BoxText(core::Msg(net::kMsgSubmitAcceptedWithoutUrl)));
            accept();
            return;
        case net::SubmissionOutcome::Accepted:
            prompter_.information(this, BoxText(core::Msg(net::kMsgSubmitAccepted)));
            accept();
            openUrl_(Q(r.url));
            return;
    }
}

void TfrmSSXml::done(int result) {
    if (!stored_) {
        stored_ = true;
        const std::string value = saveCardNo_->isChecked() ? cardNo_->text().toStdString() : std::string();
        try {
            program_.settingsFile().WriteString("General", kCardNoKey, value);
        } catch (const core::FileError& e) {
            prompter_.error(this, Q(e.what()));
        }
    }
    QDialog::done(result);
}

// ---------------------------------------------------------------------------

fs::path UnibetProposedName(const Program& program, const fs::path& fileName, bool untitled) {
    const core::TVinraFile& doc = program.doc;
    if (untitled || fileName.parent_path().empty()) {
        // A pool name is a folder name of the user folder; keep it one.
        std::string pool = doc.Pool;
        for (char& c : pool)
            if (c == '/' || c == '\\') c = '_';
        return program.UserFolder() / pool / (pool + " " + doc.Omg + ".txt");
    }
    std::string name = fileName.string();
    if (name.size() >= 4 && core::EqualsNoCase(std::string_view(name).substr(name.size() - 4), ".1x2"))
        name.resize(name.size() - 4);
    return fs::path(name + ".txt");
}

void SubmitClick(QWidget* parent, Program& program, const fs::path& fileName, bool untitled, Prompter& prompter,
                 const SubmitServices& services) {
    core::TVinraFile& doc = program.doc;
    if (doc.Rader.empty()) {
        prompter.information(parent, Q(core::Msg(283)));
        return;
    }
    const UrlOpener openUrl = services.openUrl ? services.openUrl : DefaultUrlOpener(parent, prompter);
    if (doc.Country != "Svenska Spel" && doc.Country != "Unibet") return;
    // Rows for a round that has closed are not played: say so before anything goes out.
    const net::RoundClosing closing = net::ClosedRoundOf(net::ActivePoolsFile::Load(program.ActivePoolsPath()), doc.Typ,
                                                         doc.OmgID, services.now ? services.now() : net::LocalNow());
    if (closing.closed) {
        const std::string text = closing.deadline.empty()
                                     ? core::FormatMsg(core::Msg(kMsgRoundClosed), {doc.Omg})
                                     : core::FormatMsg(core::Msg(kMsgRoundClosedOn), {closing.deadline});
        if (prompter.question(parent, Q(text), false) != Answer::Yes) return;
    }
    if (doc.Country == "Svenska Spel") {
        TfrmSSXml dialog(program, prompter, openUrl, parent);
        if (services.runDialog) services.runDialog(dialog);
        else dialog.exec();
        return;
    }

    const fs::path proposed = UnibetProposedName(program, fileName, untitled);
    FileDialogSpec spec;
    spec.filter = Q(core::Msg(kMsgTextFilter));
    spec.defaultSuffix = QStringLiteral("txt");
    spec.folder = Q(proposed.parent_path().string());
    spec.selected = Q(proposed.string());
    const QString chosen = prompter.saveFile(parent, spec);
    if (chosen.isEmpty()) return;
    const output::ExportResult written = output::ExportRowsAs(output::RowFileFormat::Unibet, doc,
                                                              fs::path(chosen.toStdString()), output::PcBetSettings{});
    if (!written.ok()) {
        prompter.error(parent, Q(written.message));
        return;
    }
    if (prompter.question(parent, BoxText(core::Msg(kMsgUnibetCreated)), false) == Answer::Yes)
        openUrl(Q(UnibetSite(program)));
}

}  // namespace vinra::ui
