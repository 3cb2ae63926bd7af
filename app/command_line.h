// The command line as the program reads it before anything else: --help and
// --version are answered on the terminal, without a window and without the
// single-instance lock; any other first argument is left to the window as
// the configuration file to open.
#pragma once

#include <string>

namespace zq40 {

enum class CommandLineAction {
    Run, // open the window (with argv[1] as the file, if any)
    ShowHelp,
    ShowVersion,
};

CommandLineAction commandLineAction(int argc, const char* const argv[]);

std::string usageText();
std::string versionText();

} // namespace zq40
