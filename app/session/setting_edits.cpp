#include "setting_edits.h"

#include "unit_output.h"
#include "unit_session.h"

#include <QStringList>

namespace zq40 {

bool findSettings(const std::vector<std::string>& names, std::vector<const Setting*>& found, QString& error)
{
    for (const std::string& name : names) {
        const Setting* s = findSetting(name);
        if (!s) {
            error = QStringLiteral("no setting %1").arg(QString::fromStdString(name));
            const std::vector<std::string> near = closestSettingNames(name);
            if (!near.empty()) {
                QStringList options;
                for (const std::string& n : near)
                    options << QString::fromStdString(n);
                error += QStringLiteral("; did you mean %1?").arg(options.join(QStringLiteral(", ")));
            }
            return false;
        }
        found.push_back(s);
    }
    return true;
}

bool checkSettingEdits(const std::vector<NamedValue>& values, SettingEdits& edits, QString& error)
{
    std::vector<std::string> names;
    for (const NamedValue& v : values)
        names.push_back(v.name);
    edits = {};
    if (!findSettings(names, edits.settings, error))
        return false;
    for (size_t i = 0; i < values.size(); ++i) {
        ParameterChange change;
        std::string why;
        if (!changeForSetting(*edits.settings[i], values[i].value, change, why)) {
            error = QStringLiteral("%1: %2").arg(values[i].word, QString::fromStdString(why));
            return false;
        }
        edits.changes.push_back(change);
        edits.words.push_back(values[i].word);
    }
    return true;
}

bool applySettingEdits(UnitSession& session, const SettingEdits& edits, QString& error)
{
    size_t refused = 0;
    const EditResult result = session.editAll(edits.changes, &refused);
    if (!result.applied) {
        error = QStringLiteral("%1: %2; nothing was sent")
                    .arg(edits.words[refused], QString::fromStdString(result.refusal));
        return false;
    }
    return true;
}

} // namespace zq40
