#pragma once
// The system asking the program to end (SIGTERM: log-out, shut-down, a kill
// from a script). Without a handler the program would vanish on the spot and
// take unsaved changes with it; with this one the signal only writes a byte
// to a pipe, and the GUI thread, which reads the pipe, ends the program in order.
#include <QObject>

class QSocketNotifier;

namespace vinra::ui {

class TerminationWatch : public QObject {
    Q_OBJECT
public:
    // Catches SIGTERM for as long as it lives; one watch at a time. A second
    // SIGTERM, while the first is still being handled, ends the program at once.
    explicit TerminationWatch(QObject* parent = nullptr);
    ~TerminationWatch() override;
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

    // Ends the process after ms milliseconds, however far the orderly end got:
    // a worker that does not stop never keeps the program alive.
    static void EndProcessAfter(int ms);

signals:
    void requested();

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vinra::ui
