#include "ui/output/print_progress.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/core/localise.h"

namespace vinra::ui {

TPrintProgress::TPrintProgress(const QString& title, int maximum, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmPrintProgress"));
    setWindowTitle(title);
    setWindowModality(Qt::WindowModal);
    auto* layout = new QVBoxLayout(this);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("barProgress"));
    bar_->setRange(0, std::max(1, maximum));
    bar_->setValue(0);
    bar_->setFormat(QStringLiteral("%v / %m"));
    bar_->setMinimumWidth(320);
    layout->addWidget(bar_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    Tag(buttons->button(QDialogButtonBox::Cancel), 41);
    connect(buttons, &QDialogButtonBox::rejected, this, &TPrintProgress::cancel);
    layout->addWidget(buttons);
    Localise(this);
    setWindowTitle(title);
}

void TPrintProgress::setValue(int n) {
    bar_->setValue(std::clamp(n, bar_->minimum(), bar_->maximum()));
    QApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
}

int TPrintProgress::value() const { return bar_->value(); }
int TPrintProgress::maximum() const { return bar_->maximum(); }

void TPrintProgress::watch(std::function<int()> source) {
    source_ = std::move(source);
    if (!timer_) {
        timer_ = new QTimer(this);
        timer_->setInterval(50);
        connect(timer_, &QTimer::timeout, this, [this] {
            if (source_) bar_->setValue(std::clamp(source_(), bar_->minimum(), bar_->maximum()));
        });
    }
    timer_->start();
}

void TPrintProgress::cancel() {
    cancelled_ = true;
    if (timer_) timer_->stop();
    hide();
}

}  // namespace vinra::ui
