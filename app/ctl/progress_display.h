// The progress of a firmware update: a bar redrawn in place on a terminal,
// plain lines (every tenth) when the output goes to a file or a pipe.
#pragma once

#include <QString>

namespace zq40::ctl {

class ProgressDisplay {
public:
    ProgressDisplay();

    void begin(const QString& what);
    void show(int percent, int error);
    void end();
    // The first error the library reported since begin(), 0 for none.
    int error() const { return firstError; }

private:
    bool terminal;
    QString label;
    int last = -1;
    int firstError = 0;
    bool open = false;
};

} // namespace zq40::ctl
