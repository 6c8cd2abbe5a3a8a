#pragma once
// The counters and the progress bar of a wizard's run page, shared by the
// reduction wizard and the expert wizard: a caption and a number per counter,
// the numbers right-aligned in one column, the bar across the page under them.
#include <QString>
#include <QWidget>

#include <vector>

class QLabel;
class QProgressBar;

namespace vinra::ui {

class RunCounters : public QWidget {
public:
    struct Counter {
        int msg;             // the caption's message number
        QString objectName;  // the number's label, as tests and scripts find it
    };
    RunCounters(const std::vector<Counter>& counters, const QString& barName, QWidget* parent);

    QLabel* Value(int i) const { return values_[static_cast<size_t>(i)]; }
    QProgressBar* Bar() const { return bar_; }

private:
    std::vector<QLabel*> values_;
    QProgressBar* bar_ = nullptr;
};

}  // namespace vinra::ui
