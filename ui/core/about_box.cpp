#include "ui/core/about_box.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/messages.h"
#include "core/system_document.h"
#include "ui/core/localise.h"
#include "ui/core/splash.h"

namespace vinra::ui {

TfrmAbout::TfrmAbout(const std::filesystem::path& dataFolder, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QString::fromStdString(core::FormatMsg(core::Msg(188), {std::string(core::kProgramName)})));
    auto* layout = new QVBoxLayout(this);
    auto* logo = new QLabel(this);
    logo->setPixmap(ProgramLogo(dataFolder).scaledToWidth(360, Qt::SmoothTransformation));
    logo->setAlignment(Qt::AlignCenter);
    layout->addWidget(logo);

    auto* name = new QLabel(QString::fromUtf8(core::kProgramName), this);
    QFont f = name->font();
    f.setPointSizeF(f.pointSizeF() * 1.5);
    f.setBold(true);
    name->setFont(f);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);

    // The year of the build stands for the release date.
    const std::string built = __DATE__;
    const std::string year = built.size() >= 4 ? built.substr(built.size() - 4) : built;
    auto* version = new QLabel(
        QString::fromStdString(core::FormatMsg(core::Msg(189), {std::string(core::kProgramVersion), year})), this);
    version->setObjectName(QStringLiteral("lblVersion"));
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    Tag(buttons->button(QDialogButtonBox::Ok), 40);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    Localise(this);
    // Localise gave the window no title (it has no number of its own); keep ours.
}

}  // namespace vinra::ui
