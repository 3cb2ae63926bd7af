#include "access_hint.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>

#include <utility>

namespace zq40 {

AccessHint::AccessHint(QWidget* window, DeniedCheck denied)
    : QObject(window)
    , window(window)
    , denied(std::move(denied))
{
    connect(&watch, &UnitNodeWatch::DoNodeAdded, this, &AccessHint::check);
}

void AccessHint::start()
{
    watch.start();
    // Once the event loop runs: the box needs its window on screen to sit on.
    QMetaObject::invokeMethod(this, &AccessHint::check, Qt::QueuedConnection);
}

void AccessHint::check()
{
    if (toldUser)
        return;
    const std::vector<std::string> nodes = unreachableUnitNodes(denied);
    if (nodes.empty())
        return;
    toldUser = true;
    watch.stop();
    const QString text = accessHintText(nodes);
    auto* box =
        new QMessageBox(QMessageBox::Information, QCoreApplication::translate("AccessHint", "ZQ40 not accessible"),
                        text, QMessageBox::Ok, window);
    box->setObjectName(QStringLiteral("accessHint"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
    emit DoHintShown(text);
}

} // namespace zq40
