#include "config.h"

#include "config_attributes.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>

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

// Decimal integer text; anything else counts as 0. The field keeps the low
// 8 bits: "300" is stored as 44.
void applyNumbers(const QDomElement& element, const std::vector<NumberAttribute>& attributes, ParameterBlocks& blocks)
{
    for (const NumberAttribute& a : attributes) {
        if (element.hasAttribute(a.name))
            blocks.set(a.field, int(uint8_t(element.attribute(a.name).toLongLong())));
    }
}

// Latin-1 bytes of the text (other characters become "?"); the blocks cut
// them to the field.
std::string latin1(const QString& text)
{
    return text.toLatin1().toStdString();
}

void applyTexts(const QDomElement& element, const std::vector<TextAttribute>& attributes, ParameterBlocks& blocks)
{
    for (const TextAttribute& a : attributes) {
        if (element.hasAttribute(a.name))
            blocks.setLabel(a.slot, latin1(element.attribute(a.name)));
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
    static const QStringList kApplied{
        "DeviceName", "Zone1", "Zone2", "Zone3", "Zone4",       "Zone5",     "Zone6",
        "Inputs",     "Page1", "Page2", "Misc",  "GroupLabels", "PgmLabels",
    };
    QHash<QString, QDomElement> found;
    for (QDomElement e = top.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        if (kApplied.contains(e.tagName()))
            found.insert(e.tagName(), e);
    }

    const QDomElement name = found.value(QStringLiteral("DeviceName"));
    if (loadName && name.hasAttribute(QStringLiteral("Name"))) {
        const QString text = name.attribute(QStringLiteral("Name"));
        blocks.setDeviceNameText(text.isEmpty() ? std::string(kDefaultDeviceName) : latin1(text));
    }
    for (int z = 1; z <= kZones; ++z) {
        const QDomElement zone = found.value(QStringLiteral("Zone%1").arg(z));
        applyNumbers(zone, zoneAttributes(z), blocks);
        // The file holds no fader position: it follows the level.
        if (zone.hasAttribute(QStringLiteral("Level")))
            blocks.updatePosition(z);
    }
    applyNumbers(found.value(QStringLiteral("Inputs")), inputsAttributes(), blocks);
    applyNumbers(found.value(QStringLiteral("Page1")), page1Attributes(), blocks);
    applyNumbers(found.value(QStringLiteral("Page2")), page2Attributes(), blocks);
    applyNumbers(found.value(QStringLiteral("Misc")), miscAttributes(), blocks);
    applyTexts(found.value(QStringLiteral("GroupLabels")), groupLabelAttributes(), blocks);
    applyTexts(found.value(QStringLiteral("PgmLabels")), pgmLabelAttributes(), blocks);

    emit DoFileReadComplete();
    return kOk;
}

} // namespace zq40
