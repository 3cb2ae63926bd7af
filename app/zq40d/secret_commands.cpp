#include "secret_commands.h"

#include "secret_store.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace zq40::daemon {

namespace {

constexpr size_t kMinPin = 4;
constexpr size_t kMaxPin = 64;

int fail(const QString& text)
{
    std::fprintf(stderr, "zq40d: %s\n", qPrintable(text));
    return 1;
}

// One line of standard input, at most `limit` bytes kept; with `prompt`, from
// the terminal without echo.
std::string readLine(const char* prompt)
{
    termios saved{};
    const bool terminal = prompt && isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        std::fputs(prompt, stderr);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    int c = 0;
    while ((c = std::getchar()) != EOF && c != '\n')
        if (line.size() <= kMaxPin)
            line.push_back(char(c));
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputc('\n', stderr);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

bool acceptablePin(const std::string& pin)
{
    if (pin.size() < kMinPin || pin.size() > kMaxPin)
        return false;
    for (unsigned char c : pin)
        if (c < 0x20 || c == 0x7F)
            return false;
    return true;
}

int setPin(SecretStore& store)
{
    const bool terminal = isatty(STDIN_FILENO);
    const std::string pin = readLine(terminal ? "Staff PIN: " : nullptr);
    if (!acceptablePin(pin))
        return fail(
            QStringLiteral("a PIN has %1 to %2 characters, none of them control characters").arg(kMinPin).arg(kMaxPin));
    if (terminal && readLine("The same PIN again: ") != pin)
        return fail(QStringLiteral("the two PINs differ; nothing was changed"));
    store.setPin(QByteArray::fromStdString(pin));
    return 0;
}

} // namespace

int runSecretCommand(const DaemonArguments& a, const DaemonConfig& config)
{
    SecretStore store(config.stateFolder);
    QString error;
    if (!store.load(error))
        return fail(error);
    const QString name = QString::fromStdString(a.name);
    if (a.command == "set-pin") {
        if (const int code = setPin(store))
            return code;
    } else if (a.command == "add-token") {
        if (!SecretStore::validName(name))
            return fail(QStringLiteral("a token name has 1 to 64 letters, digits, '.', '_' or '-'"));
        const QByteArray token = store.addToken(name, *roleNamed(QString::fromStdString(a.role)));
        if (!store.save(error))
            return fail(error);
        // Shown this once: only its hash is kept.
        std::printf("%s\n", token.constData());
        return 0;
    } else if (!store.removeToken(name)) {
        return fail(QStringLiteral("no token named %1").arg(name));
    }
    return store.save(error) ? 0 : fail(error);
}

} // namespace zq40::daemon
