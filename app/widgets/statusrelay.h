#pragma once

#include <QObject>
#include <QPointer>
#include <QStatusBar>

// Shows a part's status lines in the window's status bar for a while.
class StatusRelay : public QObject {
    Q_OBJECT

public:
    StatusRelay(QStatusBar* bar, const int& timeout, QObject* parent);

public slots:
    void show(const QString& text);

private:
    QPointer<QStatusBar> bar;
    int timeout;
};

// Every part of the window says what happened in one status line: the part's
// statusMessage(QString) signal, whatever its class, is shown in the bar for the timeout.
void relayStatusMessages(QObject* part, QStatusBar* bar, const int& timeout);
