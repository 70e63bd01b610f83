// Answers a modal window while the code under test waits in its exec(), for
// the widget tests.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

// Hands the next modal window of type Window to drive, once, as soon as it is
// up. A window that drive leaves open (a failed check returned early) is
// rejected, so the test goes on to report the failure instead of waiting.
// Sets *driven when drive ran; a window that never comes gives up after
// about five seconds.
template <class Window> void WhenShown(bool* driven, std::function<void(Window*)> drive) {
    *driven = false;
    auto* timer = new QTimer;
    timer->setInterval(10);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, ticks, driven, drive] {
        auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
        if (window == nullptr && ++*ticks < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (window == nullptr)
            return;
        *driven = true;
        drive(window);
        if (window->isVisible())
            window->reject();
    });
    timer->start();
}
