#include "terminal_prompter.h"

#include <QRegularExpression>

#include <cstdio>

namespace zq40::ctl {

QString TerminalPrompter::fileToOpen(const QString&, const QString&, const QString&)
{
    return file;
}

QString TerminalPrompter::fileToSave(const QString&, const QString&, const QString&)
{
    return file;
}

Prompter::Answer TerminalPrompter::ask(const QString&, const std::vector<Answer>&, Answer)
{
    return Answer::Cancel;
}

void TerminalPrompter::tell(Severity severity, const QString& title, const QString& text, const QString& details)
{
    // Links are for a window: the terminal shows their text.
    QString said = text;
    if (!details.isEmpty())
        said += QLatin1Char(' ') + QString(details).remove(QRegularExpression(QStringLiteral("<[^>]*>")));
    if (severity == Severity::Warning) {
        ++warnings;
        std::fprintf(stderr, "zq40ctl: %s: %s\n", qPrintable(title), qPrintable(said));
    } else {
        std::fprintf(stderr, "note: %s: %s\n", qPrintable(title), qPrintable(said));
    }
}

void TerminalPrompter::tellWithoutWaiting(Severity severity, const QString& title, const QString& text)
{
    tell(severity, title, text, {});
}

} // namespace zq40::ctl
