#include "unit_lender.h"

#include "orlousb.h"
#include "service_lending.h"
#include "unit_access.h"

#include <QLocalSocket>
#include <QTimer>

#include <cctype>
#include <cstring>
#include <utility>

namespace zq40::daemon {

namespace {

// A program's name as it gives it: a word of plain letters, digits and dashes.
QString programName(const QByteArray& line)
{
    const QByteArray word = line.mid(qsizetype(std::strlen(kLendRequest))).trimmed().left(32);
    for (char c : word)
        if (!std::isalnum(uchar(c)) && c != '-' && c != '_')
            return {};
    return QString::fromLatin1(word);
}

} // namespace

UnitLender::UnitLender(std::function<bool()> unitsOpen)
    : unitsOpen(std::move(unitsOpen))
{
    releaseLimit.setSingleShot(true);
    releaseLimit.setInterval(kReleaseLimitMs);
    connect(&releaseLimit, &QTimer::timeout, this, &UnitLender::releaseTookTooLong);
}

bool UnitLender::listen(const QString& name, QString& error)
{
    server.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(&server, &QLocalServer::newConnection, this, &UnitLender::connectionCame);
    if (server.listen(name))
        return true;
    error = QStringLiteral("cannot take the name %1 for lending the units: %2").arg(name, server.errorString());
    return false;
}

void UnitLender::connectionCame()
{
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        if (connections >= kMaxBorrowers) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++connections;
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { gone(socket); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { requestCame(socket); });
        QTimer::singleShot(kRequestTimeoutMs, socket, [this, socket] {
            if (!borrowers.count(socket) && !waiting.count(socket))
                socket->abort();
        });
    }
}

void UnitLender::requestCame(QLocalSocket* socket)
{
    if (borrowers.count(socket) || waiting.count(socket))
        return socket->abort(); // nothing more to say once asked
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kMaxLendingLine)
            socket->abort();
        return;
    }
    const QByteArray line = socket->readLine(kMaxLendingLine);
    const QString program = programName(line);
    Peer peer;
    if (!line.startsWith(kLendRequest) || program.isEmpty() || !peerOf(int(socket->socketDescriptor()), peer))
        return answer(socket, QByteArray(kRefusedAnswer) + "send: lend PROGRAM");
    peer.name = QStringLiteral("%1 (pid %2, uid %3)").arg(program).arg(peer.pid).arg(peer.uid);
    for (const UnitNode& node : presentUnitNodes())
        if (!peerMayOpen(peer, node.node)) {
            qWarning("zq40d: %s may not use the unit at %s: not lent", qPrintable(peer.name), node.node.c_str());
            return answer(socket,
                          QByteArray(kRefusedAnswer) + "this user may not use the unit at " +
                              QByteArray::fromStdString(node.node));
        }
    if (!borrowers.empty()) {
        borrowers[socket] = peer;
        return answer(socket, kLentAnswer);
    }
    if (!releasing && !ousb_ReleaseDevices())
        return answer(socket, QByteArray(kRefusedAnswer) + "the units are busy (a firmware update?)");
    waiting[socket] = peer;
    if (!releasing) {
        // The pages hear it before the units leave them.
        releasing = true;
        releaseLimit.start();
        qInfo("zq40d: lending the units to %s", qPrintable(peer.name));
        emit DoLent(program);
    }
    unitClosed();
}

void UnitLender::unitClosed()
{
    if (!releasing || unitsOpen())
        return;
    releasing = false;
    releaseLimit.stop();
    borrowers.merge(waiting);
    waiting.clear();
    for (const auto& [socket, peer] : borrowers)
        answer(socket, kLentAnswer);
}

void UnitLender::releaseTookTooLong()
{
    releasing = false;
    for (const auto& [socket, peer] : std::exchange(waiting, {}))
        answer(socket, QByteArray(kRefusedAnswer) + "the units were not closed in time");
    ousb_ReclaimDevices();
    emit DoReturned();
}

void UnitLender::answer(QLocalSocket* socket, const QByteArray& line)
{
    socket->write(line + '\n');
    socket->flush();
    if (!borrowers.count(socket) && !waiting.count(socket))
        socket->disconnectFromServer();
}

void UnitLender::gone(QLocalSocket* socket)
{
    --connections;
    socket->deleteLater();
    if (waiting.erase(socket) && waiting.empty() && releasing) {
        // Nobody left to lend to.
        releasing = false;
        releaseLimit.stop();
        ousb_ReclaimDevices();
        emit DoReturned();
        return;
    }
    const auto it = borrowers.find(socket);
    if (it == borrowers.end())
        return;
    const QString name = it->second.name;
    borrowers.erase(it);
    if (!borrowers.empty())
        return;
    qInfo("zq40d: the units are back from %s", qPrintable(name));
    ousb_ReclaimDevices();
    emit DoReturned();
}

} // namespace zq40::daemon
