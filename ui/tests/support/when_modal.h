#pragma once
// Runs f on the first modal window of type T once it is open (the caller then
// opens it with exec(), or runs the command that does).
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace vinra::ui::testing {

template <class T>
void WhenModal(std::function<void(T*)> f) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            f(d);
        }
    });
    timer->start();
}

}  // namespace vinra::ui::testing
