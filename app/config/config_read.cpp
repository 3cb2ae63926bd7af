#include "config.h"

#include "latin1_text.h"
#include "settings.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <string>

namespace zq40 {

namespace {

// A configuration is a few kilobytes; anything far larger is not one, and
// is not read whole into memory.
constexpr qint64 kMaxFileBytes = 1 << 20;

const char kDefaultDeviceName[] = "Orlo ZQ40";

bool isUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(bytes);
    return !decoder.hasError();
}

// Files carry no encoding declaration. Ours are UTF-8; files written in an
// 8-bit code page (names with accents) are not valid UTF-8 and are read as
// Latin-1, the encoding of the names in the blocks.
bool parse(QDomDocument& document, const QByteArray& content)
{
    if (document.setContent(content))
        return true;
    return !isUtf8(content) && document.setContent(QString::fromLatin1(content));
}

// Numbers are decimal integer text; anything else counts as 0, and the field
// keeps the low 8 bits: "300" is stored as 44. Attributes the element lacks
// leave their fields as they are. The device name is applied by the caller.
void applyElement(const QDomElement& element, ParameterBlocks& blocks)
{
    for (const Setting* s : settingsOf(element.tagName().toStdString())) {
        const QString name = QString::fromStdString(s->attribute);
        if (s->isDeviceName() || !element.hasAttribute(name))
            continue;
        if (s->type == SettingType::Number)
            blocks.set(s->field, int(uint8_t(element.attribute(name).toLongLong())));
        else
            blocks.setLabel(s->slot, qstringToLatin1(element.attribute(name)));
    }
}

} // namespace

int config::read(const QString& path, ParameterBlocks& blocks, bool loadName)
{
    if (path.isNull())
        return kNullPath;
    // Directories and devices are not configuration files; a device such
    // as /dev/zero would never end.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return kCannotOpen;
    const QByteArray content = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return kCannotOpen;
    file.close();
    if (content.size() > kMaxFileBytes)
        return kNotXml;

    QDomDocument parsed;
    if (!parse(parsed, content))
        return kNotXml;
    const QDomElement top = parsed.documentElement();
    if (top.tagName() != QLatin1String("Parameters"))
        return kNotParameters;

    // The last element of each name counts; others, Firmware among them,
    // are not applied.
    QHash<QString, QDomElement> found;
    for (QDomElement e = top.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        const std::string tag = e.tagName().toStdString();
        if (std::find(settingElements().begin(), settingElements().end(), tag) != settingElements().end())
            found.insert(e.tagName(), e);
    }

    const QDomElement name = found.value(QStringLiteral("DeviceName"));
    if (loadName && name.hasAttribute(QStringLiteral("Name"))) {
        const QString text = name.attribute(QStringLiteral("Name"));
        blocks.setDeviceNameText(text.isEmpty() ? std::string(kDefaultDeviceName) : qstringToLatin1(text));
    }
    for (const std::string& tag : settingElements()) {
        const QDomElement element = found.value(QString::fromStdString(tag));
        applyElement(element, blocks);
    }
    // The file holds no fader position: it follows the level, with the
    // zone's limits as the file gives them.
    for (int z = 1; z <= kZones; ++z) {
        if (found.value(QStringLiteral("Zone%1").arg(z)).hasAttribute(QStringLiteral("Level")))
            blocks.updatePosition(z);
    }

    emit DoFileReadComplete();
    return kOk;
}

} // namespace zq40
