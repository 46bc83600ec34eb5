#include "app/widgets/statusrelay.h"

StatusRelay::StatusRelay(QStatusBar* bar, const int& timeout, QObject* parent)
    : QObject(parent), bar(bar), timeout(timeout) {}

void StatusRelay::show(const QString& text) {
    if (bar) {
        bar->showMessage(text, timeout);
    }
}

void relayStatusMessages(QObject* part, QStatusBar* bar, const int& timeout) {
    // By the signal's name: the parts share it, not a base class.
    QObject::connect(part, SIGNAL(statusMessage(QString)), new StatusRelay(bar, timeout, part),
                     SLOT(show(QString)));
}
