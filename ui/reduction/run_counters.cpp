#include "ui/reduction/run_counters.h"

#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>

#include "ui/core/localise.h"

namespace vinra::ui {

RunCounters::RunCounters(const std::vector<Counter>& counters, const QString& barName, QWidget* parent)
    : QWidget(parent) {
    auto* lay = new QGridLayout(this);
    // The page around it keeps the margins.
    lay->setContentsMargins(0, 0, 0, 0);
    const int n = static_cast<int>(counters.size());
    for (int i = 0; i < n; ++i) {
        lay->addWidget(Tag(new QLabel(this), counters[static_cast<size_t>(i)].msg), i, 0);
        auto* value = new QLabel(this);
        value->setObjectName(counters[static_cast<size_t>(i)].objectName);
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(110);
        lay->addWidget(value, i, 1);
        values_.push_back(value);
    }
    bar_ = new QProgressBar(this);
    bar_->setObjectName(barName);
    bar_->setValue(0);
    lay->addWidget(bar_, n, 0, 1, 3);
    lay->setColumnStretch(2, 1);
}

}  // namespace vinra::ui
