// The questions the program's flows ask a person: file names, a choice of
// answers, messages. Each front end answers them its own way: the window
// with dialogs, the command-line tool from its arguments and its terminal,
// a test from a script.
#pragma once

#include <QString>

#include <vector>

namespace zq40 {

class Prompter {
public:
    enum class Answer { Ok, Yes, Save, Discard, Cancel, WorkOffline };
    enum class Severity { Information, Warning };

    virtual ~Prompter() = default;

    // A file to read or to write; empty when the person declines.
    virtual QString fileToOpen(const QString& caption, const QString& folder, const QString& filter) = 0;
    virtual QString fileToSave(const QString& caption, const QString& proposed, const QString& filter) = 0;

    // One of `answers`; `preferred` is what a plain Enter would choose.
    virtual Answer ask(const QString& question, const std::vector<Answer>& answers, Answer preferred) = 0;

    // A message the person reads before the flow goes on; `details` may hold
    // a link.
    virtual void tell(Severity severity, const QString& title, const QString& text, const QString& details = {}) = 0;

    // A message for a moment when the program must not wait for a person
    // (while a unit's event is being handled): shown, and the flow goes on.
    virtual void tellWithoutWaiting(Severity severity, const QString& title, const QString& text) = 0;
};

} // namespace zq40
