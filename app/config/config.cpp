#include "config.h"

#include "settings.h"

#include <QSaveFile>

namespace zq40 {

namespace {

// Names come from the unit as raw bytes. Control characters other than tab,
// line feed and carriage return cannot stand in an XML document, even as
// character references, and would make the file unreadable.
QString xmlText(const std::string& latin1)
{
    QString text = QString::fromLatin1(latin1.data(), qsizetype(latin1.size()));
    for (QChar& c : text) {
        if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            c = u'?';
    }
    return text;
}

// Every setting of the element, numbers in decimal and names as text.
void setAttributes(QDomElement& element, const ParameterBlocks& blocks)
{
    for (const Setting* s : settingsOf(element.tagName().toStdString())) {
        const QString name = QString::fromStdString(s->attribute);
        if (s->type == SettingType::Number)
            element.setAttribute(name, blocks.get(s->field));
        else if (s->isDeviceName())
            element.setAttribute(name, xmlText(blocks.deviceNameText()));
        else
            element.setAttribute(name, xmlText(blocks.label(s->slot)));
    }
}

} // namespace

config::config(QObject* parent)
    : QObject(parent)
{
    root = document.createElement(QStringLiteral("Parameters"));
    document.appendChild(root);
    const auto child = [this](const QString& tag) {
        QDomElement e = document.createElement(tag);
        root.appendChild(e);
        return e;
    };
    deviceName = child(QStringLiteral("DeviceName"));
    for (int z = 0; z < kZones; ++z)
        zones[size_t(z)] = child(QStringLiteral("Zone%1").arg(z + 1));
    inputs = child(QStringLiteral("Inputs"));
    page1 = child(QStringLiteral("Page1"));
    page2 = child(QStringLiteral("Page2"));
    misc = child(QStringLiteral("Misc"));
    groupLabels = child(QStringLiteral("GroupLabels"));
    pgmLabels = child(QStringLiteral("PgmLabels"));
    firmware = child(QStringLiteral("Firmware"));
}

QByteArray config::text(const ParameterBlocks& blocks, uint32_t firmwareVersion)
{
    for (QDomElement e = root.firstChildElement(); !e.isNull(); e = e.nextSiblingElement())
        setAttributes(e, blocks);
    firmware.setAttribute(QStringLiteral("Major"), firmwareVersion >> 24);
    firmware.setAttribute(QStringLiteral("Minor"), (firmwareVersion >> 16) & 0xFF);
    firmware.setAttribute(QStringLiteral("Build"), firmwareVersion & 0xFF);
    firmware.setAttribute(QStringLiteral("Sub"), (firmwareVersion >> 8) & 0xFF);
    // UTF-8: the document has no declaration, and readers assume it.
    return document.toString(1).toUtf8();
}

int config::write(const QString& path, const ParameterBlocks& blocks, uint32_t firmwareVersion)
{
    // Written beside the old file and renamed over it once complete, so a
    // failed save never costs the user the configuration saved before.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return kCannotOpen;
    const QByteArray bytes = text(blocks, firmwareVersion);
    // Flushed here: commit() misses a write that fails while it empties the
    // buffer (disk full) and would put the cut-off file in place. Returning
    // uncommitted discards the temporary file.
    if (file.write(bytes) != bytes.size() || !file.flush())
        return kCannotOpen;
    if (!file.commit())
        return kCannotOpen;
    return kOk;
}

} // namespace zq40
