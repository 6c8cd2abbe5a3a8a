#include "ui/core/links_panel.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/signs.h"
#include "core/text.h"
#include "ui/core/document_session.h"
#include "ui/core/localise.h"
#include "ui/core/program.h"
#include "ui/core/ui_text.h"

namespace vinra::ui {
namespace {

namespace fs = std::filesystem;

const QColor kLinkDone(128, 0, 128);  // purple
const QColor kLinkOpen(0, 0, 255);    // blue

QString Plain(QString text) {
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text.trimmed();
}

// The link captions (messages 4 to 8) and the command each runs.
struct LinkStep {
    int msg;
    const char* command;
};
constexpr LinkStep kSteps[5] = {
    {4, "actStatistics"}, {5, "actSetFrame"}, {6, "actReduce"}, {7, "actPrint"}, {8, "actCheck"}};

}  // namespace

std::string CommentFromEditor(const QString& text) { return core::ReplaceLineBreaks(text.toStdString(), "\r\n"); }

QString CommentToEditor(const std::string& comment) {
    return QString::fromStdString(core::ReplaceLineBreaks(comment, "\n"));
}

LinksPanel::LinksPanel(const ShellContext& shell, CommandTable& commands, QWidget* parent)
    : QWidget(parent), shell_(shell), commands_(commands) {
    setObjectName(QStringLiteral("pnlLinks"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* linksBox = Tag(new QGroupBox(QStringLiteral("Links"), this), 2);
    linksBox->setObjectName(QStringLiteral("grpLinks"));
    auto* linksLayout = new QVBoxLayout(linksBox);
    linksLayout->setSpacing(8);
    for (int i = 0; i < 5; ++i) {
        auto* l = new QLabel(linksBox);
        l->setObjectName(QStringLiteral("lblLink%1").arg(i + 1));
        l->setTextFormat(Qt::RichText);
        l->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
        l->setWordWrap(true);
        QFont lf = l->font();
        lf.setPointSizeF(lf.pointSizeF() * 1.05);
        l->setFont(lf);
        connect(l, &QLabel::linkActivated, this, [this, i](const QString&) {
            if (kSteps[i].msg == 5) emit setFrameRequested(1);
            else commands_.Trigger(QString::fromLatin1(kSteps[i].command));
        });
        linksLayout->addWidget(l);
        links_.push_back(l);
    }
    placeBet_ = new QPushButton(linksBox);
    placeBet_->setObjectName(QStringLiteral("btnPlaceBet"));
    connect(placeBet_, &QPushButton::clicked, this, [this] { commands_.Trigger(QStringLiteral("actPlaceBet")); });
    linksLayout->addSpacing(4);
    linksLayout->addWidget(placeBet_);
    layout->addWidget(linksBox);

    auto* commentBox = Tag(new QGroupBox(QStringLiteral("Comment"), this), 531);
    commentBox->setObjectName(QStringLiteral("grpComment"));
    auto* commentLayout = new QVBoxLayout(commentBox);
    comment_ = new QPlainTextEdit(commentBox);
    comment_->setObjectName(QStringLiteral("memComment"));
    comment_->setTabChangesFocus(true);
    connect(comment_, &QPlainTextEdit::textChanged, this, [this] {
        if (loadingComment_) return;
        shell_.session.SetComment(CommentFromEditor(comment_->toPlainText()));
    });
    commentLayout->addWidget(comment_);
    layout->addWidget(commentBox, 1);

    connect(&shell_.session, &DocumentSession::commentChanged, this, &LinksPanel::loadComment);
}

void LinksPanel::loadComment() {
    const QString text = CommentToEditor(shell_.session.Doc().Comment);
    if (comment_->toPlainText() == text) return;
    loadingComment_ = true;
    comment_->setPlainText(text);
    loadingComment_ = false;
}

void LinksPanel::SetPlaceBetVisible(bool visible) { placeBet_->setVisible(visible); }

bool LinksPanel::StepDone(Step step) const {
    const auto& doc = shell_.session.Doc();
    std::error_code ec;
    switch (step) {
        case Step::Statistics: return fs::exists(shell_.program.StatisticsFile(), ec);
        case Step::Frame: return core::FrameComplete(doc.Grundrad);
        case Step::Rows: return !doc.Rader.empty();
        case Step::Print: return doc.Printed;
        case Step::Check: return doc.MatchCount > 0 && static_cast<int>(doc.Facit.size()) == doc.MatchCount;
    }
    return false;
}

void LinksPanel::Refresh() {
    for (int i = 0; i < 5; ++i) {
        const bool done = StepDone(static_cast<Step>(i));
        const QString colour = (done ? kLinkDone : kLinkOpen).name();
        const QString text = Plain(QString::fromStdString(core::Msg(kSteps[i].msg))).toHtmlEscaped();
        QAction* command = commands_.Action(QString::fromLatin1(kSteps[i].command));
        if (command && command->isEnabled()) {
            links_[i]->setText(QStringLiteral("<a href=\"step%1\" style=\"color:%2\">%3</a>").arg(i).arg(colour, text));
            links_[i]->setToolTip(QString());
        } else {
            links_[i]->setText(QStringLiteral("<span style=\"color:%1\">%2</span>").arg(colour, text));
            links_[i]->setToolTip(T(UiText::ComesLater));
        }
        links_[i]->setProperty("done", done);
    }
}

void LinksPanel::Relocalise() {
    placeBet_->setText(T(UiText::PlaceBet));
    Refresh();
}

}  // namespace vinra::ui
