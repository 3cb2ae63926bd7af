// Names travel as 8-bit Latin-1 text; the controls hold QStrings.
#pragma once

#include <QString>

#include <string>

inline QString latin1ToQString(const std::string& text)
{
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

inline std::string qstringToLatin1(const QString& text)
{
    return text.toLatin1().toStdString();
}
