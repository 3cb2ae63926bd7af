// Answers the window's modal dialogs in tests: each queued answer waits for
// the next modal widget to open and acts on it, as a person would.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>

class ModalAnswers : public QObject {
public:
    // What the answered dialogs said, in order: a message box's title and
    // text, or a file dialog's caption.
    QStringList seen;
    // The folder each answered file dialog started in.
    QStringList folders;

    ModalAnswers()
    {
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [this] { answerOpenDialog(); });
        poll.start();
    }

    // Picks `path` in the next file dialog; an empty path cancels it.
    void chooseFile(const QString& path)
    {
        answers.push_back([this, path](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog)
                return false;
            const QString folder = dialog->directory().absolutePath();
            if (path.isEmpty()) {
                dialog->reject();
            } else {
                // Typed into the name box, as a person would: the dialog's
                // own list may not have caught up with a file just written.
                auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                if (!name)
                    qFatal("the file dialog has no name box");
                name->setText(path);
                static_cast<QDialog*>(dialog)->accept();
                if (dialog->isVisible())
                    return false;
            }
            seen << dialog->windowTitle();
            folders << folder;
            return true;
        });
    }

    // Presses the button with this text (or standard button) in the next
    // message box.
    void press(const QString& buttonText) { pressIn(buttonText, QMessageBox::NoButton); }
    void press(QMessageBox::StandardButton button) { pressIn(QString(), button); }

    bool allAnswered() const { return answers.empty(); }

private:
    QTimer poll;
    std::deque<std::function<bool(QWidget*)>> answers;
    QPointer<QWidget> lastAnswered;

    void pressIn(const QString& text, QMessageBox::StandardButton standard)
    {
        answers.push_back([this, text, standard](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box)
                return false;
            seen << box->windowTitle() + QStringLiteral(": ") + box->text();
            QAbstractButton* target = standard != QMessageBox::NoButton ? box->button(standard) : nullptr;
            for (QAbstractButton* b : box->buttons())
                if (!target && b->text() == text)
                    target = b;
            if (!target)
                qFatal("no button %s in \"%s\"", qPrintable(text), qPrintable(box->text()));
            target->click();
            return true;
        });
    }

    void answerOpenDialog()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || answers.empty() || modal == lastAnswered)
            return;
        if (answers.front()(modal)) {
            lastAnswered = modal;
            answers.pop_front();
        }
    }
};
