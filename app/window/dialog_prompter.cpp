#include "dialog_prompter.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include <map>

namespace {

QMessageBox::Icon iconOf(zq40::Prompter::Severity severity)
{
    return severity == zq40::Prompter::Severity::Warning ? QMessageBox::Warning : QMessageBox::Information;
}

QMessageBox::StandardButton standardButton(zq40::Prompter::Answer answer)
{
    using Answer = zq40::Prompter::Answer;
    switch (answer) {
    case Answer::Ok:
        return QMessageBox::Ok;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::Save:
        return QMessageBox::Save;
    case Answer::Discard:
        return QMessageBox::Discard;
    case Answer::Cancel:
        return QMessageBox::Cancel;
    case Answer::WorkOffline:
        break;
    }
    return QMessageBox::NoButton;
}

} // namespace

DialogPrompter::DialogPrompter(QWidget* window)
    : window(window)
{
}

QString DialogPrompter::fileToOpen(const QString& caption, const QString& folder, const QString& filter)
{
    return QFileDialog::getOpenFileName(window, caption, folder, filter);
}

QString DialogPrompter::fileToSave(const QString& caption, const QString& proposed, const QString& filter)
{
    return QFileDialog::getSaveFileName(window, caption, proposed, filter);
}

zq40::Prompter::Answer DialogPrompter::ask(const QString& question, const std::vector<Answer>& answers,
                                           Answer preferred)
{
    // Questions have no parent window, as they always had.
    QMessageBox box(QMessageBox::Question, QString(), question);
    std::map<QAbstractButton*, Answer> buttons;
    for (Answer answer : answers) {
        QAbstractButton* button = nullptr;
        if (answer == Answer::WorkOffline)
            button =
                box.addButton(QCoreApplication::translate("MainWindow", " No, Work Offline "), QMessageBox::YesRole);
        else
            button = box.addButton(standardButton(answer));
        buttons[button] = answer;
        if (answer == preferred)
            box.setDefaultButton(qobject_cast<QPushButton*>(button));
    }
    box.exec();
    const auto it = buttons.find(box.clickedButton());
    // Closed without a button: as if cancelled.
    return it == buttons.end() ? Answer::Cancel : it->second;
}

void DialogPrompter::tell(Severity severity, const QString& title, const QString& text, const QString& details)
{
    QMessageBox box(iconOf(severity), title, text, QMessageBox::Ok, window);
    if (!details.isEmpty()) {
        box.setInformativeText(details);
        box.setTextInteractionFlags(Qt::TextBrowserInteraction);
    }
    box.exec();
}

void DialogPrompter::tellWithoutWaiting(Severity severity, const QString& title, const QString& text)
{
    // Modal, but the caller goes on at once.
    auto* box = new QMessageBox(iconOf(severity), title, text, QMessageBox::Ok, window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    box->show();
}
