// Lends the service's units to the window or zq40ctl of a user who could
// open them: on a borrower's word over a local socket the library closes
// them, and when the last borrower's connection ends (its program ended)
// the library finds them again.
#pragma once

#include "peer_rights.h"

#include <QLocalServer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <map>

class QLocalSocket;

namespace zq40::daemon {

class UnitLender : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxBorrowers = 8;
    static constexpr int kRequestTimeoutMs = 5000;
    // The library's worker closes the units in far less.
    static constexpr int kReleaseLimitMs = 3000;

    // `unitsOpen` says whether the library still has a unit open.
    explicit UnitLender(std::function<bool()> unitsOpen);

    // Listens at `name` in the abstract namespace; false with `error` when
    // another program has the name.
    bool listen(const QString& name, QString& error);
    bool lent() const { return !borrowers.empty() || releasing; }

    // A unit was closed: the units may all be released now.
    void unitClosed();

signals:
    void DoLent(const QString& program);
    void DoReturned();

private:
    void connectionCame();
    void requestCame(QLocalSocket* socket);
    void answer(QLocalSocket* socket, const QByteArray& line);
    void gone(QLocalSocket* socket);
    void releaseTookTooLong();

    std::function<bool()> unitsOpen;
    QLocalServer server;
    // Lent to these; those waiting get the units once the library closed them.
    std::map<QLocalSocket*, Peer> borrowers;
    std::map<QLocalSocket*, Peer> waiting;
    bool releasing = false;
    QTimer releaseLimit;
    int connections = 0;
};

} // namespace zq40::daemon
