#include "discovery_messages.h"

#include "latin1_text.h"
#include "parameter_blocks.h"
#include "staff_view.h"

#include <QJsonDocument>

namespace zq40::daemon {

namespace {

const QString kMaker = QStringLiteral("Orlo");

QString quoted(const QJsonArray& list)
{
    return QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact));
}

// Each option once: Home Assistant keys a select by its options' texts.
QStringList sourceOptions(const ParameterBlocks& blocks)
{
    QStringList options;
    for (int source = 0; source <= kPgmInputs; ++source) {
        QString label = sourceName(blocks, source).trimmed();
        if (label.isEmpty() || options.contains(label))
            label = source == 0 ? QStringLiteral("None") : QStringLiteral("Program %1").arg(source);
        while (options.contains(label))
            label += QLatin1Char('*');
        options << label;
    }
    return options;
}

class Builder {
public:
    Builder(const MqttTopics& topics, const DiscoveredUnit& unit)
        : topics(topics)
        , unit(unit)
        , id(QStringLiteral("zq40_%1").arg(unit.serial))
        , state(topics.state(unit.serial))
        , set(topics.unit(unit.serial, "set"))
    {
        const QString name = unit.state[QStringLiteral("name")].toString().trimmed();
        device = {
            {QStringLiteral("identifiers"), QJsonArray{id}},
            {QStringLiteral("name"), name.isEmpty() ? QStringLiteral("ZQ40 %1").arg(unit.serial) : name},
            {QStringLiteral("manufacturer"), kMaker},
            {QStringLiteral("model"), QStringLiteral("ZQ40")},
            {QStringLiteral("serial_number"), QString::number(unit.serial)},
            {QStringLiteral("sw_version"), unit.state[QStringLiteral("firmware")].toString()},
        };
        if (!unit.pageUrl.isEmpty())
            device.insert(QStringLiteral("configuration_url"), unit.pageUrl);
        // Unavailable, not removed, while the site or the unit is away.
        availability = QJsonArray{
            QJsonObject{{QStringLiteral("topic"), topics.status()}},
            QJsonObject{{QStringLiteral("topic"), state},
                        {QStringLiteral("value_template"),
                         QStringLiteral("{{ 'online' if value_json.connected else 'offline' }}")}},
        };
    }

    void zones(const ParameterBlocks& blocks)
    {
        const QStringList options = sourceOptions(blocks);
        QJsonObject indices;
        for (int i = 0; i < options.size(); ++i)
            indices.insert(options[i], i);
        const QString optionList = quoted(QJsonArray::fromStringList(options));
        const QString indexMap = QString::fromUtf8(QJsonDocument(indices).toJson(QJsonDocument::Compact));
        for (int zone = 1; zone <= kZones; ++zone) {
            const QString element = QStringLiteral("Zone%1").arg(zone);
            QString label = latin1ToQString(blocks.label(zoneLabel(zone))).trimmed();
            if (label.isEmpty())
                label = QStringLiteral("Zone %1").arg(zone);
            const QString object = QStringLiteral("zone%1").arg(zone);
            add("number", object + QStringLiteral("_level"),
                {{QStringLiteral("name"), label + QStringLiteral(" level")},
                 {QStringLiteral("command_topic"), set},
                 {QStringLiteral("command_template"), QStringLiteral("{\"%1.Level\": {{ value | int }}}").arg(element)},
                 {QStringLiteral("value_template"), QStringLiteral("{{ value_json.settings.%1.Level }}").arg(element)},
                 {QStringLiteral("min"), blocks.get(zoneLevel(zone, ZoneLevel::MinLevel))},
                 {QStringLiteral("max"), blocks.get(zoneLevel(zone, ZoneLevel::MaxLevel))},
                 {QStringLiteral("step"), 1},
                 {QStringLiteral("mode"), QStringLiteral("slider")},
                 {QStringLiteral("unit_of_measurement"), QStringLiteral("dB")}});
            add("select", object + QStringLiteral("_source"),
                {{QStringLiteral("name"), label + QStringLiteral(" source")},
                 {QStringLiteral("command_topic"), set},
                 {QStringLiteral("command_template"),
                  QStringLiteral("{%% set o = %1 %%}{\"%2.Source\": {{ o[value] }}}").arg(indexMap, element)},
                 {QStringLiteral("value_template"),
                  QStringLiteral("{%% set o = %1 %%}{{ o[value_json.settings.%2.Source] }}").arg(optionList, element)},
                 {QStringLiteral("options"), QJsonArray::fromStringList(options)}});
        }
    }

    void diagnostics()
    {
        add("sensor", QStringLiteral("firmware"),
            {{QStringLiteral("name"), QStringLiteral("Firmware")},
             {QStringLiteral("entity_category"), QStringLiteral("diagnostic")},
             {QStringLiteral("value_template"), QStringLiteral("{{ value_json.firmware }}")},
             {QStringLiteral("json_attributes_topic"), state},
             {QStringLiteral("json_attributes_template"),
              QStringLiteral("{{ {'state': value_json.state} | tojson }}")}});
        // Its own availability is the site's: it shows a unit away as off.
        add("binary_sensor", QStringLiteral("connection"),
            {{QStringLiteral("name"), QStringLiteral("Connection")},
             {QStringLiteral("device_class"), QStringLiteral("connectivity")},
             {QStringLiteral("entity_category"), QStringLiteral("diagnostic")},
             {QStringLiteral("value_template"), QStringLiteral("{{ 'ON' if value_json.connected else 'OFF' }}")},
             {QStringLiteral("availability"), QJsonArray{availability[0]}}});
    }

    void scenes()
    {
        for (const QString& scene : unit.scenes)
            add("button", QStringLiteral("scene_") + QString::fromLatin1(scene.toUtf8().toHex()),
                {{QStringLiteral("name"), scene},
                 {QStringLiteral("icon"), QStringLiteral("mdi:palette")},
                 {QStringLiteral("command_topic"), topics.unit(unit.serial, "scene")},
                 {QStringLiteral("payload_press"), scene}});
    }

    void children()
    {
        for (const QJsonValue& value : unit.children) {
            const QJsonObject child = value.toObject();
            const int key = child[QStringLiteral("key")].toInt();
            const QString childId = id + QStringLiteral("_child%1").arg(key);
            const QString picked =
                QStringLiteral("(value_json.children | selectattr('key', 'eq', %1) | list | first)").arg(key);
            const QJsonObject childDevice{
                {QStringLiteral("identifiers"), QJsonArray{childId}},
                {QStringLiteral("name"), child[QStringLiteral("name")].toString()},
                {QStringLiteral("manufacturer"), kMaker},
                {QStringLiteral("model"), QStringLiteral("ZQ40 model %1").arg(child[QStringLiteral("model")].toInt())},
                {QStringLiteral("sw_version"), child[QStringLiteral("firmware")].toString()},
                {QStringLiteral("via_device"), id},
            };
            const QString object = QStringLiteral("child%1").arg(key);
            add("binary_sensor", object + QStringLiteral("_connection"),
                {{QStringLiteral("name"), QStringLiteral("Connection")},
                 {QStringLiteral("device_class"), QStringLiteral("connectivity")},
                 {QStringLiteral("entity_category"), QStringLiteral("diagnostic")},
                 {QStringLiteral("value_template"),
                  QStringLiteral("{{ 'ON' if %1 is defined else 'OFF' }}").arg(picked)}},
                childDevice);
            add("sensor", object + QStringLiteral("_firmware"),
                {{QStringLiteral("name"), QStringLiteral("Firmware")},
                 {QStringLiteral("entity_category"), QStringLiteral("diagnostic")},
                 {QStringLiteral("value_template"),
                  QStringLiteral("{{ %1.firmware ~ ' (' ~ %1.state ~ ')' if %1 is defined else 'unknown' }}")
                      .arg(picked)}},
                childDevice);
        }
    }

    std::map<QString, QByteArray> messages;

private:
    void add(const char* component, const QString& object, QJsonObject entity, const QJsonObject& owner = {})
    {
        const QString uniqueId = id + QLatin1Char('_') + object;
        entity.insert(QStringLiteral("unique_id"), uniqueId);
        entity.insert(QStringLiteral("state_topic"), state);
        entity.insert(QStringLiteral("qos"), 1);
        entity.insert(QStringLiteral("device"), owner.isEmpty() ? device : owner);
        if (!entity.contains(QStringLiteral("availability"))) {
            entity.insert(QStringLiteral("availability"), availability);
            entity.insert(QStringLiteral("availability_mode"), QStringLiteral("all"));
        }
        if (QLatin1String(component) == QLatin1String("button"))
            entity.remove(QStringLiteral("state_topic"));
        messages[topics.config(component, uniqueId)] = QJsonDocument(entity).toJson(QJsonDocument::Compact);
    }

    const MqttTopics& topics;
    const DiscoveredUnit& unit;
    const QString id, state, set;
    QJsonObject device;
    QJsonArray availability;
};

} // namespace

std::map<QString, QByteArray> discoveryMessages(const MqttTopics& topics, const DiscoveredUnit& unit)
{
    Builder builder(topics, unit);
    if (unit.blocks)
        builder.zones(*unit.blocks);
    builder.diagnostics();
    builder.scenes();
    builder.children();
    return std::move(builder.messages);
}

} // namespace zq40::daemon
