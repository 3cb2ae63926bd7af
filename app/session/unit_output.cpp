#include "unit_output.h"

#include "latin1_text.h"
#include "presentation.h"
#include "qdevice.h"
#include "report_codec.h"

#include <QJsonArray>

#include <algorithm>
#include <cctype>

namespace zq40 {

namespace {

// Edits between two names, letters compared without case.
size_t distance(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            const bool same = std::tolower(uint8_t(a[i - 1])) == std::tolower(uint8_t(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

} // namespace

QJsonValue settingValue(const Setting& setting, const ParameterBlocks& blocks)
{
    if (setting.type == SettingType::Number)
        return blocks.get(setting.field);
    return settingText(setting, blocks);
}

QString settingText(const Setting& setting, const ParameterBlocks& blocks)
{
    if (setting.type == SettingType::Number)
        return QString::number(blocks.get(setting.field));
    return latin1ToQString(setting.isDeviceName() ? blocks.deviceNameText() : blocks.label(setting.slot));
}

QString unitName(const QDevice& unit)
{
    return latin1ToQString(unit.blocks.deviceNameText());
}

QJsonObject unitObject(const QDevice& unit)
{
    QJsonArray children;
    for (const QChildDevice* child : unit.children)
        if (child && child->pDeviceInfo)
            children.append(childObject(*child->pDeviceInfo));
    return {
        {QStringLiteral("serial"), qint64(unit.pDeviceInfo->ser)},
        {QStringLiteral("name"), unitName(unit)},
        {QStringLiteral("firmware"), zq40::versionText(unit.pDeviceInfo->word5)},
        {QStringLiteral("state"), QString::fromLatin1(unitFirmwareName(unitFirmware(unit)))},
        {QStringLiteral("children"), children},
    };
}

QJsonObject childObject(const ousb_child_device_info_t& child)
{
    const char* name = child.name;
    return {
        {QStringLiteral("key"), childKey(child)},
        {QStringLiteral("model"), qint64(child.model)},
        {QStringLiteral("name"), QString::fromUtf8(name ? name : "???")},
        {QStringLiteral("firmware"), zq40::versionText(childVersion(child))},
        {QStringLiteral("state"), QString::fromLatin1(childFirmwareName(childFirmware(child)))},
    };
}

std::vector<std::string> closestSettingNames(const std::string& name)
{
    std::vector<std::pair<size_t, std::string>> scored;
    for (const Setting& s : allSettings())
        scored.emplace_back(distance(name, s.name()), s.name());
    std::stable_sort(scored.begin(), scored.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> closest;
    const size_t limit = std::max<size_t>(3, name.size() / 3);
    for (const auto& [d, n] : scored)
        if (d <= limit && closest.size() < 3)
            closest.push_back(n);
    return closest;
}

QJsonObject settingsObject(const ParameterBlocks& blocks)
{
    QJsonObject elements;
    for (const std::string& element : settingElements()) {
        QJsonObject attributes;
        for (const Setting* s : settingsOf(element))
            attributes.insert(QString::fromStdString(s->attribute), settingValue(*s, blocks));
        elements.insert(QString::fromStdString(element), attributes);
    }
    return elements;
}

} // namespace zq40
