#include "output.h"

#include <cstdio>

namespace zq40::ctl {

void print(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.data(), 1, size_t(bytes.size()), stdout);
}

} // namespace zq40::ctl
