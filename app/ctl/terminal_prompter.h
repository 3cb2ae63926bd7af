// The flows' questions answered from zq40ctl's command line: the file it was
// given, no other questions, and the window's messages printed as notes.
#pragma once

#include "prompter.h"

namespace zq40::ctl {

class TerminalPrompter : public Prompter {
public:
    // The file of save or load.
    void setFile(const QString& path) { file = path; }
    // A warning was printed (a file that could not be read or written, a
    // backup that could not be made).
    bool warned() const { return warnings > 0; }

    QString fileToOpen(const QString& caption, const QString& folder, const QString& filter) override;
    QString fileToSave(const QString& caption, const QString& proposed, const QString& filter) override;
    // The tool asks nothing: the command was the answer.
    Answer ask(const QString& question, const std::vector<Answer>& answers, Answer preferred) override;
    void tell(Severity severity, const QString& title, const QString& text, const QString& details) override;
    void tellWithoutWaiting(Severity severity, const QString& title, const QString& text) override;

private:
    QString file;
    int warnings = 0;
};

} // namespace zq40::ctl
