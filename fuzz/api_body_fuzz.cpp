// Any bytes as the body of a PATCH of a unit's settings, through what the
// service makes of it before a unit is involved: the members in the order
// written, their values as zq40ctl's arguments, the checks of every name and
// value, and what staff may change. Nothing may crash, hang or touch memory
// it should not; the members read are Qt's object member for member; what
// passes the checks names a known setting for each member, and an installer
// is never refused. The same bytes as a topic from the broker.
#include "json_members.h"
#include "mqtt/mqtt_topics.h"
#include "parameter_blocks.h"
#include "setting_edits.h"
#include "staff_rights.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdlib>

namespace {

const zq40::daemon::DaemonConfig& staffConfig()
{
    static const zq40::daemon::DaemonConfig config = [] {
        zq40::daemon::DaemonConfig c;
        c.staffZones = {{3, {1, 2}}, {4, {}}};
        return c;
    }();
    return config;
}

const zq40::ParameterBlocks& blocks()
{
    static const zq40::ParameterBlocks b = [] {
        zq40::ParameterBlocks p;
        p.setDefaultParameters(false);
        p.setZonesLinked(3, true);
        return p;
    }();
    return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace zq40::daemon;
    const QByteArray body(reinterpret_cast<const char*>(data), qsizetype(size));
    // As a topic the broker brings: only a serial and a leaf under the site.
    static const MqttTopics topics{MqttConfig{.site = QStringLiteral("site")}};
    if (const auto unit = topics.unitTopic(QString::fromUtf8(body));
        unit && (unit->second.contains(QLatin1Char('/')) || !body.startsWith("zq40/site/")))
        std::abort();
    const auto members = flatMembers(body);
    if (!members)
        return 0;
    // The members in order are Qt's own object, member for member.
    const QJsonObject whole = QJsonDocument::fromJson(body).object();
    if (qsizetype(members->size()) != whole.size())
        std::abort();
    for (const auto& [name, value] : *members)
        if (whole.value(name) != value)
            std::abort();
    const std::vector<zq40::NamedValue> values = namedValues(*members);
    zq40::SettingEdits edits;
    QString error;
    if (!zq40::checkSettingEdits(values, edits, error)) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    if (edits.settings.size() != values.size() || edits.words.size() != values.size())
        std::abort();
    if (!forbiddenEdit(Role::Installer, staffConfig(), edits, blocks()).isEmpty())
        std::abort();
    forbiddenEdit(Role::Staff, staffConfig(), edits, blocks());
    return 0;
}
