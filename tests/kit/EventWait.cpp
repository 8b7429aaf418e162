#include "kit/EventWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

void processEventsFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, ms);
        QCoreApplication::sendPostedEvents();
        if (clock.elapsed() < ms)
            QThread::usleep(200);
    } while (clock.elapsed() < ms);
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        processEventsFor(1);
    }
    return true;
}
