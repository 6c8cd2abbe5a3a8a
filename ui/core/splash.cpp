#include "ui/core/splash.h"

#include <QLinearGradient>
#include <QPainter>

#include "core/messages.h"
#include "core/system_document.h"

namespace vinra::ui {

QPixmap ProgramLogo(const std::filesystem::path& dataFolder) {
    for (const char* name : {"Images/logo.png", "Images/splash.png", "Images/logo.jpg", "logo.png", "splash.png"}) {
        QPixmap p(QString::fromStdString((dataFolder / name).string()));
        if (!p.isNull()) return p;
    }
    // No picture installed: draw the name on the program's colours.
    QPixmap p(480, 280);
    QPainter painter(&p);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, p.height());
    g.setColorAt(0, QColor(18, 84, 150));
    g.setColorAt(1, QColor(10, 46, 92));
    painter.fillRect(p.rect(), g);
    painter.setPen(QColor(255, 255, 255, 40));
    for (int i = 0; i < 3; ++i) painter.drawEllipse(QPointF(400 - i * 30, 60 + i * 20), 120.0 + i * 40, 120.0 + i * 40);
    painter.setPen(Qt::white);
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(54);
    f.setBold(true);
    painter.setFont(f);
    painter.drawText(QRect(0, 70, p.width(), 80), Qt::AlignHCenter, QStringLiteral("Vinra 2000"));
    f.setPixelSize(20);
    f.setBold(false);
    painter.setFont(f);
    painter.drawText(QRect(0, 150, p.width(), 40), Qt::AlignHCenter, QStringLiteral("1  X  2"));
    return p;
}

namespace {
// A large picture would cover the screen: the splash stays a modest size.
QPixmap SplashPicture(const std::filesystem::path& dataFolder) {
    QPixmap p = ProgramLogo(dataFolder);
    if (p.width() > 640) p = p.scaledToWidth(640, Qt::SmoothTransformation);
    return p;
}
}  // namespace

TfrmSplash::TfrmSplash(const std::filesystem::path& dataFolder) : QSplashScreen(SplashPicture(dataFolder)) {
    setObjectName(QStringLiteral("frmSplash"));
    showMessage(QString::fromStdString(core::Msg(1)), Qt::AlignBottom | Qt::AlignHCenter, Qt::white);
}

}  // namespace vinra::ui
