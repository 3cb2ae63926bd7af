// The forms are laid out, pixel by pixel, for the narrow interface fonts of
// Windows. The usual sans fonts elsewhere are wider and cut the texts of
// tightly sized labels short, so the program asks for a font of similar
// width first, where one is installed. It has to be the application's font:
// under a style sheet, widgets take their font from the application, not
// from their parents.
#pragma once

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

inline void useFormFont()
{
    static const QStringList narrowFamilies = {QStringLiteral("Segoe UI"), QStringLiteral("DejaVu Sans Condensed")};
    for (const QString& family : narrowFamilies) {
        if (!QFontDatabase::hasFamily(family))
            continue;
        // The version label asks for Ebrima, a Windows font.
        if (!QFontDatabase::hasFamily(QStringLiteral("Ebrima")))
            QFont::insertSubstitution(QStringLiteral("Ebrima"), family);
        QFont font = QApplication::font();
        if (font.families() != QStringList{family}) {
            font.setFamilies({family});
            QApplication::setFont(font);
        }
        return;
    }
}
