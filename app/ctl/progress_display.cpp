#include "progress_display.h"

#include <cstdio>
#include <unistd.h>

namespace zq40::ctl {

ProgressDisplay::ProgressDisplay()
    : terminal(::isatty(STDOUT_FILENO) != 0)
{
}

void ProgressDisplay::begin(const QString& what)
{
    end();
    label = what;
    last = -1;
    firstError = 0;
    open = true;
    show(0, 0);
}

void ProgressDisplay::show(int percent, int error)
{
    if (error != 0 && firstError == 0)
        firstError = error;
    if (!open || percent == last)
        return;
    if (terminal) {
        constexpr int kWidth = 30;
        const int filled = percent * kWidth / 100;
        std::printf("\r%s [%s%s] %3d%%", qPrintable(label), std::string(size_t(filled), '#').c_str(),
                    std::string(size_t(kWidth - filled), '.').c_str(), percent);
    } else if (last < 0 || percent / 10 != last / 10 || percent == 100) {
        std::printf("%s: %d%%\n", qPrintable(label), percent);
    }
    std::fflush(stdout);
    last = percent;
}

void ProgressDisplay::end()
{
    if (open && terminal)
        std::printf("\n");
    std::fflush(stdout);
    open = false;
}

} // namespace zq40::ctl
