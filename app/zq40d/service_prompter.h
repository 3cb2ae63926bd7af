// The flows' questions for a service nobody watches: the file a request
// brought, every question its preferred answer, and messages to the log.
#pragma once

#include "prompter.h"

#include <QDebug>
#include <QString>

namespace zq40::daemon {

class ServicePrompter : public Prompter {
public:
    // The file a configuration is opened from, for one request; empty when
    // it is done. The warnings told meanwhile are kept for its answer.
    void setFile(const QString& path)
    {
        file = path;
        warnings.clear();
    }
    // "Title: text" of each, one a line.
    const QString& warningsTold() const { return warnings; }

    QString fileToOpen(const QString&, const QString&, const QString&) override { return file; }
    QString fileToSave(const QString&, const QString&, const QString&) override { return {}; }
    Answer ask(const QString& question, const std::vector<Answer>&, Answer preferred) override
    {
        qInfo("zq40d: %s", qPrintable(question));
        return preferred;
    }
    void tell(Severity severity, const QString& title, const QString& text, const QString&) override
    {
        qInfo("zq40d: %s: %s", qPrintable(title), qPrintable(text));
        if (severity == Severity::Warning && !file.isEmpty())
            warnings += (warnings.isEmpty() ? QString() : QStringLiteral("\n")) + title + QStringLiteral(": ") + text;
    }
    void tellWithoutWaiting(Severity severity, const QString& title, const QString& text) override
    {
        tell(severity, title, text, {});
    }

private:
    QString file;
    QString warnings;
};

} // namespace zq40::daemon
