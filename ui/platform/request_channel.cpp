// The request channel between a later start of the program and the running
// one: a local socket beside the instance lock.
//
// One request is one connection: the sender writes a magic number and its
// arguments (a QStringList in a QDataStream), the receiver answers one byte
// once it has queued them, and the connection ends. The lock file decides
// who runs; the socket only carries the requests, so a socket found while
// holding the lock belongs to no live process.
#include "ui/platform/internal.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringList>
#include <QThread>

#include <unistd.h>

namespace zarvon::platform {
using namespace detail;

namespace {

constexpr quint32 kRequestMagic = 0x5a524551; // "ZREQ"
constexpr char kTaken = 'K';

// Reads one request off `socket` once all of it has arrived; answers and
// closes the connection.
void readRequest(QLocalSocket *socket)
{
    QDataStream in(socket);
    in.startTransaction();
    quint32 magic = 0;
    QStringList arguments;
    in >> magic >> arguments;
    if (!in.commitTransaction())
        return; // the rest has not arrived yet
    if (magic != kRequestMagic) {
        socket->abort();
        return;
    }
    std::vector<std::string> request;
    for (const QString &argument : arguments)
        request.push_back(argument.toStdString());
    state().requests.push_back(std::move(request));
    socket->write(&kTaken, 1);
    socket->flush();
    socket->disconnectFromServer();
    queueEvent(UiEvent{EventKind::Request, -1, -1, EventSubtype::None});
}

} // namespace

std::string requestChannelPath(const std::string &name)
{
    // The runtime folder is the user's own already; the user's number in the
    // name keeps two users apart where a shared folder stands in for it.
    return QDir(runtimeFolder())
        .filePath(QString::fromStdString(name) + QStringLiteral("-") + QString::number(::getuid()) +
                  QStringLiteral(".socket"))
        .toStdString();
}

bool listenForRequests(const std::string &name)
{
    stopListening();
    const QString path = QString::fromStdString(requestChannelPath(name));
    // Only the lock's holder gets here: whatever answers to that name is
    // left over from a process that ended without closing it.
    QLocalServer::removeServer(path);
    auto *server = new QLocalServer(QCoreApplication::instance());
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(path)) {
        delete server;
        return false;
    }
    QObject::connect(server, &QLocalServer::newConnection, server, [server] {
        while (QLocalSocket *socket = server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] { readRequest(socket); });
            if (socket->bytesAvailable() > 0)
                readRequest(socket);
        }
    });
    state().requestServer = server;
    return true;
}

void stopListening()
{
    if (QLocalServer *server = state().requestServer) {
        state().requestServer = nullptr;
        server->close();
        delete server;
    }
}

bool sendRequest(const std::string &name, const std::vector<std::string> &arguments, int timeoutMilliseconds)
{
    const QString path = QString::fromStdString(requestChannelPath(name));
    QElapsedTimer timer;
    timer.start();
    const auto left = [&] { return std::max(0, timeoutMilliseconds - int(timer.elapsed())); };
    QLocalSocket socket;
    // The running process may be between taking its lock and opening the
    // channel: try again until the time is up.
    for (;;) {
        socket.connectToServer(path);
        if (socket.waitForConnected(left()))
            break;
        if (left() == 0)
            return false;
        QThread::msleep(50);
    }
    QStringList list;
    for (const std::string &argument : arguments)
        list << QString::fromStdString(argument);
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << kRequestMagic << list;
    socket.write(bytes);
    if (!socket.waitForBytesWritten(left()))
        return false;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(left()))
            return false;
    char answer = 0;
    return socket.read(&answer, 1) == 1 && answer == kTaken;
}

bool takeRequest(std::vector<std::string> &arguments)
{
    auto &requests = state().requests;
    if (requests.empty())
        return false;
    arguments = std::move(requests.front());
    requests.pop_front();
    return true;
}

} // namespace zarvon::platform
