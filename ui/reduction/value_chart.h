#pragma once
// A small chart of a system's value, for any window that shows one (the
// reduction wizard's warranty page, the check window): the distribution of
// the return per krona staked as bars on a logarithmic probability scale,
// the chance of N, N-1, N-2 and N-3 right, the expected return, the turnover
// the estimate assumed, and the note that these are estimates from market odds.
//
// The figures come from reduction::ComputeSystemValue, which the window runs
// on its BackgroundJob; the chart only shows them. Texts are read from the
// language table when painting, so a language change shows at the next repaint.
#include <QString>
#include <QStringList>
#include <QWidget>

#include "reduction/system_value.h"

namespace vinra::net {
class TSvSpelInfo;
}

namespace vinra::ui {

// The value model of a round from its game information: the operator's and
// the bookmaker's odds, the people's percentages, the pool's first win level.
// turnover <= 0: the typical turnover.
reduction::ValueModel ValueModelOfRound(const net::TSvSpelInfo& info, int n, const std::string& poolCode,
                                        double turnover = 0);

class ValueChart : public QWidget {
    Q_OBJECT
public:
    explicit ValueChart(QWidget* parent = nullptr);

    // Shows the figures of a system (a value that is not complete clears the chart).
    void SetValue(const reduction::SystemValue& value, const reduction::ValueModel& model);
    // Shows no figures: the title and, when given, a line saying why (for
    // example message 1419 when the round has no game information).
    void Clear(const QString& reason = QString());
    bool HasValue() const { return has_; }

    // What the chart paints, for tests and for the protocol: the class labels,
    // their percentages, and the lines below the bars.
    QStringList ClassLabels() const;
    QStringList ClassPercentages() const;
    QStringList SummaryLines() const;
    // Length in pixels of the bar of class i at the current size (0 for none).
    int BarLength(int i) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Layout {
        int labelWidth, percentWidth, barLeft, barWidth, top, rowHeight;
    };
    Layout ComputeLayout() const;

    reduction::SystemValue value_;
    reduction::ValueModel model_;
    bool has_ = false;
    QString reason_;
};

}  // namespace vinra::ui
