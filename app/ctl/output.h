// zq40ctl's standard output.
#pragma once

#include <QString>

namespace zq40::ctl {

// Writes to standard output, as UTF-8.
void print(const QString& text);

} // namespace zq40::ctl
