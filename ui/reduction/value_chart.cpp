#include "ui/reduction/value_chart.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPaintEvent>

#include "core/messages.h"
#include "core/pools.h"
#include "core/text.h"
#include "net/game_info.h"

namespace vinra::ui {

namespace {

// Message numbers of the chart's texts.
constexpr int kMsgTitle = 1413;        // "Return distribution"
constexpr int kMsgProbability = 1414;  // "Probability"
constexpr int kMsgReturnAxis = 1415;   // "Return per krona staked"
constexpr int kMsgNote = 1427;         // "Estimates from market odds, not promises."

// The probability scale: five decades, 0,001 % to 100 %.
constexpr double kDecades = 5.0;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString M(int n, const std::vector<core::MsgArg>& args = {}) { return Q(core::FormatMsg(core::Msg(n), args)); }

QString PercentText(double p) { return Q(reduction::ProbabilityText(p)); }

}  // namespace

reduction::ValueModel ValueModelOfRound(const net::TSvSpelInfo& info, int n, const std::string& poolCode,
                                        double turnover) {
    return reduction::MarketValueModel(n, info.OddsPercent, info.UbetPercent, info.PeopleValue, turnover,
                                       core::FirstWinLevel(poolCode));
}

ValueChart::ValueChart(QWidget* parent) : QWidget(parent) {
    setObjectName("valueChart");
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
}

void ValueChart::SetValue(const reduction::SystemValue& value, const reduction::ValueModel& model) {
    if (!value.complete) {
        Clear();
        return;
    }
    value_ = value;
    model_ = model;
    has_ = true;
    reason_.clear();
    updateGeometry();
    update();
}

void ValueChart::Clear(const QString& reason) {
    has_ = false;
    value_ = {};
    reason_ = reason;
    updateGeometry();
    update();
}

QStringList ValueChart::ClassLabels() const {
    QStringList out;
    for (size_t i = 0; i < value_.distribution.size(); ++i)
        out << Q(reduction::ReturnClassLabel(value_.distribution[i], i, core::CurrentLanguage()));
    return out;
}

QStringList ValueChart::ClassPercentages() const {
    QStringList out;
    for (const auto& c : value_.distribution) out << PercentText(c.probability);
    return out;
}

QStringList ValueChart::SummaryLines() const {
    QStringList out;
    if (!has_) return out;
    std::vector<std::string> lines = reduction::SystemValueLines(value_, model_, core::CurrentLanguage());
    if (!lines.empty()) lines.pop_back();  // the note: painted on its own, in italics
    for (const std::string& l : lines) out << Q(l);
    return out;
}

ValueChart::Layout ValueChart::ComputeLayout() const {
    const QFontMetrics fm(font());
    Layout l{};
    l.labelWidth = 0;
    for (const QString& s : ClassLabels()) l.labelWidth = std::max(l.labelWidth, fm.horizontalAdvance(s));
    l.labelWidth += 10;
    l.percentWidth = std::max(fm.horizontalAdvance(PercentText(1.0)), fm.horizontalAdvance(PercentText(0.000012))) + 10;
    l.barLeft = 8 + l.labelWidth;
    l.barWidth = std::max(40, width() - l.barLeft - l.percentWidth - 8);
    l.rowHeight = fm.height() + 6;
    l.top = 8 + fm.height() * 2 + 12;  // title, then the axis captions
    return l;
}

int ValueChart::BarLength(int i) const {
    if (!has_ || i < 0 || i >= static_cast<int>(value_.distribution.size())) return 0;
    const double p = value_.distribution[static_cast<size_t>(i)].probability;
    if (!(p > 0)) return 0;
    const Layout l = ComputeLayout();
    const double share = std::clamp((std::log10(p) + kDecades) / kDecades, 0.0, 1.0);
    // Even the rarest class that can happen shows as a sliver.
    return std::max(2, static_cast<int>(std::lround(share * l.barWidth)));
}

QSize ValueChart::sizeHint() const {
    const QFontMetrics fm(font());
    const int rows = has_ ? static_cast<int>(value_.distribution.size()) : 0;
    const int lines = has_ ? static_cast<int>(SummaryLines().size()) + 1 : 1;
    const int h =
        8 + fm.height() * 2 + 12 + rows * (fm.height() + 6) + fm.height() + 10 + lines * (fm.height() + 2) + 8;
    return {std::max(420, fm.horizontalAdvance(M(kMsgReturnAxis)) + fm.horizontalAdvance(M(kMsgProbability)) + 60), h};
}

QSize ValueChart::minimumSizeHint() const { return {320, sizeHint().height()}; }

void ValueChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(rect(), palette().color(QPalette::Base));
    const QFontMetrics fm(font());
    QFont bold = font();
    bold.setBold(true);

    p.setPen(palette().color(QPalette::Text));
    p.setFont(bold);
    p.drawText(QRect(8, 8, width() - 16, fm.height()), Qt::AlignLeft | Qt::AlignVCenter, M(kMsgTitle));
    p.setFont(font());
    if (!has_) {
        if (!reason_.isEmpty())
            p.drawText(QRect(8, 8 + fm.height() + 8, width() - 16, height() - fm.height() - 16),
                       Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, reason_);
        return;
    }

    const Layout l = ComputeLayout();
    const QColor grey = palette().color(QPalette::PlaceholderText);
    // Axis captions: the classes on the left, the probabilities on the right.
    const int captionY = 8 + fm.height() + 6;
    p.setPen(grey);
    p.drawText(QRect(8, captionY, width() / 2, fm.height()), Qt::AlignLeft | Qt::AlignVCenter, M(kMsgReturnAxis));
    p.drawText(QRect(width() / 2, captionY, width() / 2 - 8, fm.height()), Qt::AlignRight | Qt::AlignVCenter,
               M(kMsgProbability));

    // Decade lines of the logarithmic scale, labelled below the bars.
    const int rows = static_cast<int>(value_.distribution.size());
    const int bottom = l.top + rows * l.rowHeight;
    QFont small = font();
    small.setPointSizeF(std::max(6.0, font().pointSizeF() * 0.8));
    const QFontMetrics sfm(small);
    p.setFont(small);
    // Only the last tick carries the per cent sign: the decades stand close.
    static const char* kTicks[] = {"0,001", "0,01", "0,1", "1", "10", "100 %"};
    for (int d = 0; d <= static_cast<int>(kDecades); ++d) {
        const int x = l.barLeft + static_cast<int>(std::lround(d / kDecades * l.barWidth));
        p.setPen(QPen(grey, 1, Qt::DotLine));
        p.drawLine(x, l.top - 2, x, bottom);
        p.setPen(grey);
        const QString t = QString::fromLatin1(kTicks[d]);
        const int w = sfm.horizontalAdvance(t);
        const int tx = std::clamp(x - w / 2, l.barLeft - 4, l.barLeft + l.barWidth + l.percentWidth - w);
        p.drawText(QRect(tx, bottom + 2, w + 2, sfm.height()), Qt::AlignLeft, t);
    }
    p.setFont(font());

    const QStringList labels = ClassLabels();
    const QStringList percents = ClassPercentages();
    const QColor win(0x2f, 0x7d, 0xc8), none(0xa8, 0xa8, 0xa8);
    for (int i = 0; i < rows; ++i) {
        const int y = l.top + i * l.rowHeight;
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRect(8, y, l.labelWidth, l.rowHeight), Qt::AlignLeft | Qt::AlignVCenter, labels[i]);
        const int len = BarLength(i);
        if (len > 0) p.fillRect(QRect(l.barLeft, y + 3, len, l.rowHeight - 6), i == 0 ? none : win);
        p.drawText(QRect(l.barLeft + l.barWidth + 4, y, l.percentWidth, l.rowHeight), Qt::AlignRight | Qt::AlignVCenter,
                   percents[i]);
    }

    int y = bottom + sfm.height() + 10;
    p.setPen(palette().color(QPalette::Text));
    for (const QString& line : SummaryLines()) {
        p.drawText(QRect(8, y, width() - 16, fm.height()), Qt::AlignLeft | Qt::AlignVCenter, line);
        y += fm.height() + 2;
    }
    QFont italic = font();
    italic.setItalic(true);
    p.setFont(italic);
    p.setPen(grey);
    p.drawText(QRect(8, y, width() - 16, fm.height()), Qt::AlignLeft | Qt::AlignVCenter, M(kMsgNote));
}

}  // namespace vinra::ui
