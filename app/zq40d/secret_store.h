// The service's secrets: the staff PIN and the named API tokens with their
// roles, kept in one file of the state folder that only the service's user
// may read, each only as an Argon2id hash.
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <map>
#include <optional>
#include <vector>

namespace zq40::daemon {

enum class Role { Staff, Installer };
const char* roleName(Role role);
std::optional<Role> roleNamed(const QString& name);

struct TokenEntry {
    QString name;
    Role role = Role::Staff;
    QByteArray id;   // the public half of the token: which hash to check
    QByteArray hash; // Argon2id, of the whole token
};

class SecretStore {
public:
    explicit SecretStore(const QString& folder);

    // Reads the file (none yet: no secrets); false with `error` when it
    // cannot be read or is not ours.
    bool load(QString& error);
    // Reads it again when it changed since, so that a token withdrawn while
    // the service runs is refused at once.
    void reloadIfChanged();
    // Writes the file anew, readable by this user only.
    bool save(QString& error) const;

    bool hasPin() const { return !pinHash.isEmpty(); }
    void setPin(const QByteArray& pin);
    bool checkPin(const QByteArray& pin) const;

    // A token names what may use it: letters, digits, '.', '_', '-'.
    static bool validName(const QString& name);
    // A new token for `name` (replacing one of that name): the token itself,
    // to be shown once.
    QByteArray addToken(const QString& name, Role role);
    bool removeToken(const QString& name);
    // The token's entry, when `token` is one.
    std::optional<TokenEntry> checkToken(const QByteArray& token) const;

    QString filePath() const;

private:
    QString folder;
    QByteArray pinHash;
    std::vector<TokenEntry> tokens;
    QDateTime loadedModified;
    // Tokens checked once, by a keyed digest kept in memory only: the slow
    // hash is not paid on every request.
    mutable std::map<QByteArray, QByteArray> checkedTokens;
};

// The one-way hash of a secret, and its check.
QByteArray hashSecret(const QByteArray& secret);
bool secretMatches(const QByteArray& hash, const QByteArray& secret);

} // namespace zq40::daemon
