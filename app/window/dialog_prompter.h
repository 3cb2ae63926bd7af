// The window's answers to the flows' questions: file dialogs and message
// boxes, modal, on the main window.
#pragma once

#include "prompter.h"

class QWidget;

class DialogPrompter : public zq40::Prompter {
public:
    explicit DialogPrompter(QWidget* window);

    QString fileToOpen(const QString& caption, const QString& folder, const QString& filter) override;
    QString fileToSave(const QString& caption, const QString& proposed, const QString& filter) override;
    Answer ask(const QString& question, const std::vector<Answer>& answers, Answer preferred) override;
    void tell(Severity severity, const QString& title, const QString& text, const QString& details) override;
    void tellWithoutWaiting(Severity severity, const QString& title, const QString& text) override;

private:
    QWidget* window;
};
