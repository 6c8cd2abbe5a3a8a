#include "ui/core/icons.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QStyle>

namespace vinra::ui {
namespace {

const QColor kBlue(33, 102, 172);
const QColor kDark(60, 64, 72);
const QColor kGreen(46, 139, 87);
const QColor kRed(190, 50, 50);
const QColor kGold(214, 160, 30);

QPixmap Draw(int size, Icon kind) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 24.0, size / 24.0);
    QPen pen(kDark, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    switch (kind) {
        case Icon::New:
        case Icon::SystemFile: {
            QPainterPath path;
            path.moveTo(6, 3);
            path.lineTo(14, 3);
            path.lineTo(19, 8);
            path.lineTo(19, 21);
            path.lineTo(6, 21);
            path.closeSubpath();
            p.setBrush(Qt::white);
            p.drawPath(path);
            p.drawLine(QPointF(14, 3), QPointF(14, 8));
            p.drawLine(QPointF(14, 8), QPointF(19, 8));
            if (kind == Icon::New) {
                p.setPen(QPen(kGreen, 2.2, Qt::SolidLine, Qt::RoundCap));
                p.drawLine(QPointF(12.5, 11), QPointF(12.5, 18));
                p.drawLine(QPointF(9, 14.5), QPointF(16, 14.5));
            } else {
                p.setPen(QPen(kBlue, 1.4));
                for (int y = 11; y <= 17; y += 3) p.drawLine(QPointF(9, y), QPointF(16, y));
            }
            break;
        }
        case Icon::Open:
        case Icon::Folder: {
            p.setBrush(kGold.lighter(130));
            QPainterPath path;
            path.moveTo(3, 6);
            path.lineTo(9, 6);
            path.lineTo(11, 8);
            path.lineTo(20, 8);
            path.lineTo(20, 19);
            path.lineTo(3, 19);
            path.closeSubpath();
            p.drawPath(path);
            if (kind == Icon::Open) {
                p.setBrush(kGold);
                QPainterPath front;
                front.moveTo(3, 19);
                front.lineTo(6, 11);
                front.lineTo(22, 11);
                front.lineTo(20, 19);
                front.closeSubpath();
                p.drawPath(front);
            }
            break;
        }
        case Icon::Save: {
            p.setBrush(kBlue);
            p.drawRoundedRect(QRectF(4, 4, 16, 16), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(7, 4, 10, 6));
            p.drawRect(QRectF(7, 13, 10, 7));
            break;
        }
        case Icon::Print: {
            p.setBrush(Qt::white);
            p.drawRect(QRectF(7, 3, 10, 6));
            p.setBrush(QColor(120, 126, 136));
            p.drawRoundedRect(QRectF(3, 9, 18, 8), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(7, 14, 10, 7));
            p.setPen(QPen(kBlue, 1.2));
            p.drawLine(QPointF(9, 17), QPointF(15, 17));
            break;
        }
        case Icon::Statistics: {
            p.setPen(Qt::NoPen);
            p.setBrush(kBlue);
            p.drawRect(QRectF(4, 12, 4, 8));
            p.setBrush(kGreen);
            p.drawRect(QRectF(10, 6, 4, 14));
            p.setBrush(kGold);
            p.drawRect(QRectF(16, 9, 4, 11));
            p.setPen(pen);
            p.drawLine(QPointF(3, 21), QPointF(21, 21));
            break;
        }
        case Icon::GameWizard: {
            QFont f(QStringLiteral("DejaVu Sans"));
            f.setPixelSize(9);
            f.setBold(true);
            p.setFont(f);
            p.setBrush(Qt::white);
            p.drawRoundedRect(QRectF(2, 5, 20, 14), 2, 2);
            p.drawText(QRectF(2, 5, 7, 14), Qt::AlignCenter, QStringLiteral("1"));
            p.setPen(kBlue);
            p.drawText(QRectF(8.5, 5, 7, 14), Qt::AlignCenter, QStringLiteral("X"));
            p.setPen(kDark);
            p.drawText(QRectF(15, 5, 7, 14), Qt::AlignCenter, QStringLiteral("2"));
            break;
        }
        case Icon::Reduce: {
            p.setBrush(kBlue.lighter(150));
            QPainterPath path;
            path.moveTo(3, 4);
            path.lineTo(21, 4);
            path.lineTo(14, 12);
            path.lineTo(14, 20);
            path.lineTo(10, 18);
            path.lineTo(10, 12);
            path.closeSubpath();
            p.drawPath(path);
            break;
        }
        case Icon::Check: {
            p.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            QPainterPath path;
            path.moveTo(4, 13);
            path.lineTo(10, 19);
            path.lineTo(20, 5);
            p.drawPath(path);
            break;
        }
        case Icon::Help: {
            p.setBrush(kBlue);
            p.setPen(Qt::NoPen);
            p.drawEllipse(QRectF(3, 3, 18, 18));
            p.setPen(Qt::white);
            QFont f(QStringLiteral("DejaVu Sans"));
            f.setPixelSize(14);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRectF(3, 3, 18, 18), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
        case Icon::Exit: {
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4, 3, 10, 18));
            p.setPen(QPen(kRed, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(10, 12), QPointF(21, 12));
            p.drawLine(QPointF(17, 8), QPointF(21, 12));
            p.drawLine(QPointF(17, 16), QPointF(21, 12));
            break;
        }
        case Icon::LockOpen:
        case Icon::LockClosed: {
            const bool closed = kind == Icon::LockClosed;
            p.setPen(QPen(kDark, 2));
            p.setBrush(Qt::NoBrush);
            if (closed) p.drawArc(QRectF(7, 3, 10, 12), 0, 180 * 16);
            else p.drawArc(QRectF(12, 2, 10, 12), 0, 180 * 16);
            if (closed) {
                p.drawLine(QPointF(7, 9), QPointF(7, 11));
                p.drawLine(QPointF(17, 9), QPointF(17, 11));
            } else {
                p.drawLine(QPointF(22, 8), QPointF(22, 10));
            }
            p.setPen(pen);
            p.setBrush(closed ? kRed : kGreen);
            p.drawRoundedRect(QRectF(4, 11, 16, 10), 2, 2);
            break;
        }
        case Icon::Database:
        case Icon::Round: {
            p.setBrush(kind == Icon::Database ? kBlue.lighter(160) : kGreen.lighter(170));
            p.drawEllipse(QRectF(5, 3, 14, 5));
            p.drawLine(QPointF(5, 5.5), QPointF(5, 18.5));
            p.drawLine(QPointF(19, 5.5), QPointF(19, 18.5));
            p.drawArc(QRectF(5, 16, 14, 5), 180 * 16, 180 * 16);
            p.drawArc(QRectF(5, 10, 14, 5), 180 * 16, 180 * 16);
            break;
        }
        case Icon::SortName: {
            QFont f(QStringLiteral("DejaVu Sans"));
            f.setPixelSize(10);
            f.setBold(true);
            p.setFont(f);
            p.drawText(QRectF(0, 0, 24, 12), Qt::AlignCenter, QStringLiteral("A"));
            p.drawText(QRectF(0, 12, 24, 12), Qt::AlignCenter, QStringLiteral("Z"));
            break;
        }
        case Icon::SortSize: {
            p.setBrush(kBlue.lighter(150));
            p.drawRect(QRectF(3, 14, 5, 6));
            p.drawRect(QRectF(10, 10, 5, 10));
            p.drawRect(QRectF(17, 5, 5, 15));
            break;
        }
        case Icon::SortDate: {
            p.setBrush(Qt::white);
            p.drawRoundedRect(QRectF(3, 5, 18, 16), 2, 2);
            p.setBrush(kRed);
            p.drawRect(QRectF(3, 5, 18, 4));
            p.setPen(QPen(kDark, 1.2));
            for (int x = 7; x <= 17; x += 5)
                for (int y = 12; y <= 18; y += 4) p.drawPoint(QPointF(x, y));
            break;
        }
        case Icon::SortAscending:
        case Icon::SortDescending: {
            const bool up = kind == Icon::SortAscending;
            p.setPen(QPen(kDark, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawLine(QPointF(12, 4), QPointF(12, 20));
            if (up) {
                p.drawLine(QPointF(12, 4), QPointF(7, 9));
                p.drawLine(QPointF(12, 4), QPointF(17, 9));
            } else {
                p.drawLine(QPointF(12, 20), QPointF(7, 15));
                p.drawLine(QPointF(12, 20), QPointF(17, 15));
            }
            break;
        }
        case Icon::ConditionTrue:
        case Icon::ConditionFalse: {
            const QColor c = kind == Icon::ConditionTrue ? QColor(0x3C, 0xB3, 0x71) : QColor(0xE0, 0x40, 0x40);
            p.setBrush(c);
            p.setPen(QPen(c.darker(160), 1.2));
            p.drawEllipse(QRectF(3, 3, 18, 18));
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(255, 255, 255, 110));
            p.drawEllipse(QRectF(7, 6, 7, 5));  // a highlight, so it reads as a lamp
            break;
        }
    }
    return pm;
}

}  // namespace

QIcon MakeIcon(Icon kind) {
    QIcon icon;
    for (int size : {16, 24, 32, 48}) icon.addPixmap(Draw(size, kind));
    return icon;
}

}  // namespace vinra::ui
