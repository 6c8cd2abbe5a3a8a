#pragma once
// The progress window of a long print run: a bar up to the document's
// progress range, and Cancel. It is fed either directly (setValue, while the
// user-interface thread prints) or by watching a counter that a worker raises.
#include <atomic>
#include <functional>

#include <QDialog>

#include "output/page.h"

class QLabel;
class QProgressBar;
class QTimer;

namespace vinra::ui {

class TPrintProgress : public QDialog {
    Q_OBJECT
public:
    TPrintProgress(const QString& title, int maximum, QWidget* parent = nullptr);

    // Shows n (clamped to the range) and lets the window repaint and take a click on Cancel.
    void setValue(int n);
    int value() const;
    int maximum() const;
    // Polls source() every 50 ms and shows it (the composer's progress counter).
    void watch(std::function<int()> source);
    bool cancelled() const { return cancelled_; }
    // The reply of an onPage callback: shows the page and tells whether to go on.
    bool step(int n) {
        setValue(n);
        return !cancelled_;
    }

public slots:
    void cancel();
    // Escape and the window's close button cancel too.
    void reject() override { cancel(); }

private:
    QProgressBar* bar_ = nullptr;
    QTimer* timer_ = nullptr;
    std::function<int()> source_;
    bool cancelled_ = false;
};

// From this many coupons on a print run shows its progress window.
inline constexpr int kProgressFromCoupons = 50;

// Composes a print run of coupons from..to off the GUI thread (BackgroundJob):
// compose fills composer and reads stop before each coupon, giving false when
// it stopped. A run of kProgressFromCoupons coupons or more shows a
// TPrintProgress (title, the coupon being composed, Cancel); shown is called
// with it once it is on screen. False when the run was cancelled or failed;
// an exception of compose is thrown again here.
bool ComposeWithProgress(QWidget* parent, const QString& title, int from, int to, output::PageComposer& composer,
                         const std::function<bool(output::PageComposer&, const std::atomic<bool>& stop)>& compose,
                         const std::function<void(TPrintProgress&)>& shown = {});

}  // namespace vinra::ui
