// SPDX-License-Identifier: MIT
// A second start says one line, "show" or "start", and waits for "ok". The
// program that holds the file reads it from the event loop and never waits on
// a caller, so a peer that connects and stays silent cannot stall its alarms.
#include "platform/singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>

#include <algorithm>

namespace vt
{

namespace
{

constexpr int kClaimTimeoutMs = 1000;
// Long enough for any real second start; a peer that says nothing is dropped.
constexpr int kRequestTimeoutMs = 5000;
constexpr qint64 kLongestRequest = 16;

const QByteArray kShow = QByteArrayLiteral("show");
const QByteArray kStart = QByteArrayLiteral("start");
const QByteArray kAnswer = QByteArrayLiteral("ok\n");

// Two spellings of one file (a relative path, a symbolic link) must meet on
// one socket; a file not yet saved has no canonical path, only an absolute one.
QString settingsIdentity(const QString& settingsFile)
{
    const QFileInfo info(settingsFile);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

} // namespace

SingleInstance::SingleInstance(const QString& settingsFile, QObject* parent)
    : QObject(parent), m_name(serverName(settingsFile))
{
}

QString SingleInstance::serverName(const QString& settingsFile)
{
    // The runtime folder is the user's own (mode 0700), which keeps other
    // users from seeing or reaching the socket; a hash keeps the name within
    // the short length a socket path may have.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return QString();
    const QByteArray hash = QCryptographicHash::hash(settingsIdentity(settingsFile).toUtf8(),
                                                     QCryptographicHash::Sha256);
    return runtime + QStringLiteral("/vigiltide-") + QString::fromLatin1(hash.toHex().left(32));
}

bool SingleInstance::claim()
{
    // Whenever the claim cannot be made the program starts anyway: a second
    // window on one file is a nuisance, a watch without its alarm is not.
    if (m_server)
        return true;
    if (m_name.isEmpty()) {
        qWarning("vigiltide: no runtime folder; a second start for this settings file "
                 "cannot be noticed");
        return true;
    }
    // Binding the name is the claim, and it is one step: of two starts at the
    // same moment only one binds. This is the whole claim on nearly every
    // start, which keeps it off the time to the first frame.
    if (listen() != Bind::Taken)
        return true;
    // The name is taken: by the program for the file, or by what a crash left.
    // Starts that find a leftover take turns here, so that one replaces it and
    // the others find that one answering. Without the lock (a peer stuck
    // mid-claim) the claim goes on unguarded rather than not at all.
    QLockFile lock(m_name + QStringLiteral(".lock"));
    if (!lock.tryLock(kClaimTimeoutMs))
        qWarning("vigiltide: the claim of the settings file goes on without its lock");
    if (answers(kClaimTimeoutMs))
        return false;
    QLocalServer::removeServer(m_name);
    if (listen() == Bind::Taken)
        qWarning("vigiltide: a second start for this settings file cannot be noticed: "
                 "its socket's name is taken");
    return true;
}

SingleInstance::Bind SingleInstance::listen()
{
    // The runtime folder is the user's own, so the socket needs no mode of its
    // own; Qt's option for one would bind aside and rename into place,
    // replacing whatever holds the name instead of failing on it.
    auto* server = new QLocalServer(this);
    if (!server->listen(m_name)) {
        const bool taken = server->serverError() == QAbstractSocket::AddressInUseError;
        if (!taken)
            qWarning("vigiltide: a second start for this settings file cannot be noticed: %s",
                     qPrintable(server->errorString()));
        delete server;
        return taken ? Bind::Taken : Bind::Failed;
    }
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    m_server = server;
    return Bind::Listening;
}

bool SingleInstance::answers(int timeoutMs) const
{
    QLocalSocket probe;
    probe.connectToServer(m_name);
    return probe.waitForConnected(timeoutMs);
}

bool SingleInstance::forward(bool start, int timeoutMs)
{
    if (m_name.isEmpty())
        return false;
    const QDeadlineTimer deadline(std::max(timeoutMs, 0));
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return false;
    socket.write((start ? kStart : kShow) + '\n');
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
    }
    return socket.readLine() == kAnswer;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readRequest(socket); });
        QTimer::singleShot(kRequestTimeoutMs, socket, &QLocalSocket::abort);
    }
}

void SingleInstance::readRequest(QLocalSocket* socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kLongestRequest)
            socket->abort();
        return;
    }
    const QByteArray request = socket->readLine().trimmed();
    if (request != kShow && request != kStart) {
        socket->abort();
        return;
    }
    // Out before the window comes forward, so the second start can leave.
    socket->write(kAnswer);
    socket->flush();
    socket->disconnectFromServer();
    emit activationRequested(request == kStart);
}

} // namespace vt
