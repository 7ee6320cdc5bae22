// SPDX-License-Identifier: MIT
// SIGTERM, SIGINT and SIGHUP as a Qt signal on the event loop, so that the
// program can save and close as its close box does when the system ends it.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace vt
{

class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    // Takes over the three signals for the life of this object; only one may
    // exist at a time.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace vt
