// The flows' questions for a service nobody watches: no files are asked for,
// every question takes its preferred answer, and messages go to the log.
#pragma once

#include "prompter.h"

#include <QDebug>

namespace zq40::daemon {

class ServicePrompter : public Prompter {
public:
    QString fileToOpen(const QString&, const QString&, const QString&) override { return {}; }
    QString fileToSave(const QString&, const QString&, const QString&) override { return {}; }
    Answer ask(const QString& question, const std::vector<Answer>&, Answer preferred) override
    {
        qInfo("zq40d: %s", qPrintable(question));
        return preferred;
    }
    void tell(Severity, const QString& title, const QString& text, const QString&) override
    {
        qInfo("zq40d: %s: %s", qPrintable(title), qPrintable(text));
    }
    void tellWithoutWaiting(Severity severity, const QString& title, const QString& text) override
    {
        tell(severity, title, text, {});
    }
};

} // namespace zq40::daemon
