#include "secret_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <sodium.h>

#include <cstring>

namespace zq40::daemon {

namespace {

constexpr char kFileName[] = "secrets";
constexpr qint64 kMaxFileBytes = 1 << 20;
constexpr size_t kIdBytes = 8;
constexpr size_t kSecretBytes = 32;

QByteArray randomHex(size_t bytes)
{
    QByteArray raw(qsizetype(bytes), Qt::Uninitialized);
    randombytes_buf(raw.data(), bytes);
    return raw.toHex();
}

QByteArray digest(const QByteArray& token)
{
    // The key is made once a run: the digests mean nothing outside it.
    static const QByteArray key = [] {
        QByteArray k(crypto_generichash_KEYBYTES, Qt::Uninitialized);
        randombytes_buf(k.data(), size_t(k.size()));
        return k;
    }();
    QByteArray out(crypto_generichash_BYTES, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char*>(out.data()), size_t(out.size()),
                       reinterpret_cast<const unsigned char*>(token.constData()), size_t(token.size()),
                       reinterpret_cast<const unsigned char*>(key.constData()), size_t(key.size()));
    return out;
}

} // namespace

const char* roleName(Role role)
{
    return role == Role::Installer ? "installer" : "staff";
}

std::optional<Role> roleNamed(const QString& name)
{
    if (name == QLatin1String("staff"))
        return Role::Staff;
    if (name == QLatin1String("installer"))
        return Role::Installer;
    return std::nullopt;
}

QByteArray hashSecret(const QByteArray& secret)
{
    char out[crypto_pwhash_STRBYTES];
    if (sodium_init() < 0 ||
        crypto_pwhash_str_alg(out, secret.constData(), size_t(secret.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                              crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) != 0)
        qFatal("zq40d: cannot hash a secret (out of memory?)");
    return QByteArray(out);
}

bool secretMatches(const QByteArray& hash, const QByteArray& secret)
{
    if (!hash.startsWith("$argon2id$") || hash.size() >= qsizetype(crypto_pwhash_STRBYTES))
        return false;
    char stored[crypto_pwhash_STRBYTES] = {};
    std::memcpy(stored, hash.constData(), size_t(hash.size()));
    return sodium_init() >= 0 && crypto_pwhash_str_verify(stored, secret.constData(), size_t(secret.size())) == 0;
}

SecretStore::SecretStore(const QString& folder)
    : folder(folder)
{
}

QString SecretStore::filePath() const
{
    return QDir(folder).filePath(QLatin1String(kFileName));
}

bool SecretStore::load(QString& error)
{
    pinHash.clear();
    tokens.clear();
    checkedTokens.clear();
    QFile file(filePath());
    loadedModified = QFileInfo(file).lastModified();
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes) {
        error = QStringLiteral("cannot read %1").arg(file.fileName());
        return false;
    }
    // Hashes of a four-digit PIN fall to a patient guesser: nobody else may read them.
    const auto others =
        QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;
    if (file.permissions() & others) {
        error = QStringLiteral("%1 may be read by others: chmod 600 it").arg(file.fileName());
        return false;
    }
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QList<QByteArray> words = file.readLine().trimmed().split(' ');
        if (words.size() == 2 && words[0] == "pin") {
            pinHash = words[1];
        } else if (words.size() == 5 && words[0] == "token" && roleNamed(QString::fromLatin1(words[2]))) {
            tokens.push_back(
                {QString::fromLatin1(words[1]), *roleNamed(QString::fromLatin1(words[2])), words[3], words[4]});
        } else if (!(words.size() == 1 && words[0].isEmpty())) {
            error = QStringLiteral("%1: line %2 is not ours").arg(file.fileName()).arg(lineNumber);
            return false;
        }
    }
    return true;
}

void SecretStore::reloadIfChanged()
{
    if (QFileInfo(filePath()).lastModified() == loadedModified)
        return;
    QString error;
    if (!load(error))
        qWarning("zq40d: %s; every token and the PIN are refused until it is fixed", qPrintable(error));
}

bool SecretStore::save(QString& error) const
{
    if (!QDir().mkpath(folder)) {
        error = QStringLiteral("cannot make %1").arg(folder);
        return false;
    }
    QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QSaveFile file(filePath());
    // The new file is private before a secret is in it.
    if (!file.open(QIODevice::WriteOnly) || !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        error = QStringLiteral("cannot write %1").arg(filePath());
        return false;
    }
    if (!pinHash.isEmpty())
        file.write("pin " + pinHash + '\n');
    for (const TokenEntry& t : tokens)
        file.write("token " + t.name.toLatin1() + ' ' + roleName(t.role) + ' ' + t.id + ' ' + t.hash + '\n');
    if (!file.commit()) {
        error = QStringLiteral("cannot write %1").arg(filePath());
        return false;
    }
    return true;
}

void SecretStore::setPin(const QByteArray& pin)
{
    pinHash = hashSecret(pin);
}

bool SecretStore::checkPin(const QByteArray& pin) const
{
    return hasPin() && secretMatches(pinHash, pin);
}

bool SecretStore::validName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9._-]{1,64}$"));
    return pattern.match(name).hasMatch();
}

QByteArray SecretStore::addToken(const QString& name, Role role)
{
    removeToken(name);
    const QByteArray id = randomHex(kIdBytes);
    const QByteArray token = id + '.' + randomHex(kSecretBytes);
    tokens.push_back({name, role, id, hashSecret(token)});
    return token;
}

bool SecretStore::removeToken(const QString& name)
{
    const auto gone = std::erase_if(tokens, [&](const TokenEntry& t) { return t.name == name; });
    checkedTokens.clear();
    return gone > 0;
}

std::optional<TokenEntry> SecretStore::checkToken(const QByteArray& token) const
{
    const qsizetype dot = token.indexOf('.');
    if (dot != qsizetype(2 * kIdBytes) || token.size() != qsizetype(2 * (kIdBytes + kSecretBytes) + 1))
        return std::nullopt;
    const QByteArray id = token.left(dot);
    for (const TokenEntry& t : tokens) {
        if (t.id != id)
            continue;
        const auto checked = checkedTokens.find(id);
        const QByteArray d = digest(token);
        if (checked != checkedTokens.end() &&
            sodium_memcmp(checked->second.constData(), d.constData(), size_t(d.size())) == 0)
            return t;
        if (!secretMatches(t.hash, token))
            return std::nullopt;
        checkedTokens[id] = d;
        return t;
    }
    return std::nullopt;
}

} // namespace zq40::daemon
