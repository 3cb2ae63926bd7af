#include "remote_status.h"

#include "qdevice.h"

#include <QCoreApplication>
#include <QLabel>
#include <QStyle>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("MainWindow", text);
}

// The record is packed: the name pointer is read by value, never by reference.
QString childName(const ousb_child_device_info_t& child)
{
    const char* name = child.name;
    return QString::fromUtf8(name ? name : "???");
}

void setLine(QLabel* label, const QString& text, const QString& tooltip, const char* online)
{
    label->setText(text);
    label->setToolTip(tooltip);
    label->setProperty("online", QString::fromLatin1(online));
    // The style sheet reads dynamic properties only when it polishes.
    label->style()->unpolish(label);
    label->style()->polish(label);
    label->update();
}

} // namespace

RemoteStatusView::RemoteStatusView(const Labels& labels)
    : labels(labels)
{
}

void RemoteStatusView::show(const QDevice& unit)
{
    using zq40::RemoteState;
    const zq40::RemotesPass pass = zq40::remotesPass(unit);
    for (size_t i = 0; i < labels.size(); ++i) {
        const zq40::RemoteSlot& slot = zq40::kRemoteSlots[i];
        const QChildDevice* record = unit.children.value(slot.key, nullptr);
        const ousb_child_device_info_t* child = record ? record->pDeviceInfo : nullptr;
        const QString version = child ? zq40::childVersionText(*child) : QString();
        switch (pass.states[i]) {
        case RemoteState::NotConnected:
            setLine(labels[i], tr("Not Connected"), QString(), "false");
            break;
        case RemoteState::Unsupported:
            setLine(labels[i], tr("Unsupported"), version, "mismatch");
            break;
        case RemoteState::FirmwareMismatch:
            setLine(labels[i], slot.pagingStation ? tr("FW Mismatch") : tr("FW Mismatch (%1)").arg(childName(*child)),
                    version, "mismatch");
            break;
        case RemoteState::Online:
            setLine(labels[i], tr("%1 Online").arg(childName(*child)), version, "true");
            break;
        }
    }
}

void RemoteStatusView::showOffline()
{
    for (QLabel* label : labels)
        setLine(label, tr("n/a"), QString(), "false");
}

void RemoteStatusView::showRestarting(uint16_t key)
{
    for (size_t i = 0; i < labels.size(); ++i) {
        if (zq40::kRemoteSlots[i].key != key)
            continue;
        QLabel* label = labels[i];
        label->setText(tr("Not Connected"));
        label->setProperty("online", QStringLiteral("false"));
        label->style()->unpolish(label);
        label->style()->polish(label);
    }
}
