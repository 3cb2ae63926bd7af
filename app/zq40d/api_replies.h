// The API's answers: JSON, refusals as {"error": "..."}, and the serial
// number a path names.
#pragma once

#include "http_listener.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <optional>

namespace zq40::daemon {

inline HttpReply json(int status, const QJsonValue& value)
{
    const QJsonDocument doc = value.isArray() ? QJsonDocument(value.toArray()) : QJsonDocument(value.toObject());
    HttpReply reply;
    reply.status = status;
    reply.body = doc.toJson(QJsonDocument::Compact);
    return reply;
}

inline HttpReply error(int status, const QString& text)
{
    return json(status, QJsonObject{{QStringLiteral("error"), text}});
}

// The serial number of a path's part: decimal digits, at most ten.
inline std::optional<uint32_t> serialIn(const QString& part)
{
    bool ok = false;
    const uint serial = part.toUInt(&ok);
    if (!ok || part.size() > 10 || !part.front().isDigit())
        return std::nullopt;
    return serial;
}

} // namespace zq40::daemon
