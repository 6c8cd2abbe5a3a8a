#pragma once
// Helpers the files of the checking window share.
#include <QColor>
#include <QPainter>
#include <QPixmap>
#include <QString>

#include <string>
#include <vector>

#include "core/messages.h"
#include "ui/checking/check_texts.h"

namespace vinra::ui::checkwin {

using checktext::M;

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline QString Fmt(int msg, const std::vector<core::MsgArg>& args) { return Q(core::FormatMsg(core::Msg(msg), args)); }

inline const QColor kInFrame(0x90, 0xEE, 0x90);  // the sign is in the system's frame
inline const QColor kNotInFrame(0xFF, 0x80, 0x80);
inline const QColor kBestSame = QColor(0xFF, 0xFF, 0xE1);  // best rows: the row's sign is the result's

// The pause pool of a pool that has one: A -> B, C -> D, E -> F.
inline std::string PauseCode(const std::string& typ) {
    if (typ.size() != 1) return typ;
    return std::string(1, static_cast<char>(typ[0] + 1));
}

// A small round picture for the conditions indicator.
inline QPixmap Lamp(const QColor& c) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(c);
    p.setPen(QPen(c.darker(160), 1));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    return pm;
}

inline std::string ToCrLf(const QString& text) {
    std::string s = text.toStdString();
    std::string out;
    for (char c : s) {
        if (c == '\n') out += "\r\n";
        else if (c != '\r') out += c;
    }
    return out;
}

// "2026-49" of the round integer 202649.
inline std::string RoundText(int32_t round) {
    const QString text = QString::number(round).rightJustified(6, QLatin1Char('0'));
    return (text.left(4) + QLatin1Char('-') + text.mid(4, 2)).toStdString();
}

inline QString FromCrLf(const std::string& s) {
    QString t = Q(s);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

}  // namespace vinra::ui::checkwin
