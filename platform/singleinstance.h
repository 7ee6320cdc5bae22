// SPDX-License-Identifier: MIT
// One program per settings file: the first start for a file listens on a
// local socket of its own, and a second start for the same file hands its
// request over to it and leaves, instead of opening a second window that
// would save over the first one's file.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace vt
{

class SingleInstance : public QObject
{
    Q_OBJECT

public:
    explicit SingleInstance(const QString& settingsFile, QObject* parent = nullptr);

    // The socket of the program for a settings file, in the user's runtime
    // folder; empty when there is no runtime folder.
    static QString serverName(const QString& settingsFile);

    // True when this process is now the program for the settings file, and
    // also when the claim cannot be made at all: the program must start then.
    bool claim();
    // Asks the program that holds the file to come to the front, and to start
    // its run when `start`; true when it answered within the time. Blocks.
    bool forward(bool start, int timeoutMs = 2000);

signals:
    // In the program that holds the file: a second start asked for it.
    void activationRequested(bool start);

private:
    enum class Bind { Listening, Taken, Failed };

    bool answers(int timeoutMs) const;
    Bind listen();
    void acceptConnections();
    void readRequest(QLocalSocket* socket);

    QString m_name;
    QLocalServer* m_server = nullptr;
};

} // namespace vt
