#include "json_members.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace zq40::daemon {

namespace {

void skipSpace(const QByteArray& s, qsizetype& i)
{
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r'))
        ++i;
}

// The raw text of the token at `i`: a string with its quotes, or a scalar.
QByteArray token(const QByteArray& s, qsizetype& i)
{
    const qsizetype start = i;
    if (i < s.size() && s[i] == '"') {
        for (++i; i < s.size() && s[i] != '"'; ++i)
            if (s[i] == '\\')
                ++i;
        ++i;
    } else {
        while (i < s.size() && s[i] != ',' && s[i] != '}' && s[i] != ' ' && s[i] != '\n' && s[i] != '\r' &&
               s[i] != '\t')
            ++i;
    }
    return s.mid(start, i - start);
}

} // namespace

std::optional<std::vector<std::pair<QString, QJsonValue>>> flatMembers(const QByteArray& json)
{
    // Qt's parser decides what is well-formed; the walk below only orders.
    QJsonParseError error{};
    const QJsonDocument whole = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !whole.isObject())
        return std::nullopt;
    std::vector<std::pair<QString, QJsonValue>> members;
    qsizetype i = json.indexOf('{') + 1;
    for (;;) {
        skipSpace(json, i);
        if (i < json.size() && json[i] == '}')
            break;
        const QByteArray key = token(json, i);
        skipSpace(json, i);
        ++i; // ':'
        skipSpace(json, i);
        const QByteArray value = token(json, i);
        const QJsonArray pair = QJsonDocument::fromJson("[" + key + "," + value + "]").array();
        if (pair.size() != 2 || !pair[0].isString() || !(pair[1].isDouble() || pair[1].isString()))
            return std::nullopt;
        members.emplace_back(pair[0].toString(), pair[1]);
        skipSpace(json, i);
        if (i < json.size() && json[i] == ',')
            ++i;
    }
    if (qsizetype(members.size()) != whole.object().size())
        return std::nullopt;
    return members;
}

std::vector<NamedValue> namedValues(const std::vector<std::pair<QString, QJsonValue>>& members)
{
    std::vector<NamedValue> values;
    for (const auto& [name, value] : members) {
        QString text = value.toString();
        if (value.isDouble()) {
            const double d = value.toDouble();
            text = d == std::floor(d) && std::fabs(d) < 1e9 ? QString::number(qint64(d)) : QString::number(d);
        }
        values.push_back({name.toStdString(), text.toLatin1().toStdString(), name + QLatin1Char('=') + text});
    }
    return values;
}

} // namespace zq40::daemon
