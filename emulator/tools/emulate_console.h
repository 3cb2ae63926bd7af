// Plugging and unplugging at run time: one command per line, from a script
// before the program starts or from a console (stdin) while it runs.
//
//   plug SERIAL [FIRMWARE [HW]]   a unit; FIRMWARE a.b.c.d (word5 and ver), HW word1 (1)
//   unplug SERIAL | replug SERIAL
//   paging SERIAL [VERSION]       connect its paging station (key 257)
//   remote SERIAL KEY [MODEL [VERSION]]   a remote at key 258-264, model 200 or 202
//   remove SERIAL KEY             disconnect a child
//   block SERIAL CODE OFFSET HEX  change bytes of a block and report it
//   written SERIAL                the blocks the program wrote, one line each
//   list | help
#pragma once

#include <cstdio>
#include <string>
#include <thread>

#include "zq40emu/testbed.h"

namespace zq40emu::tools {

// The commands, one a line, for usage texts.
const char* commandHelp();

// Runs one line; answers and errors go to `out`. False when it was refused.
bool runCommand(Testbed& bed, const std::string& line, std::FILE* out);

// Every line of `path`; stops at the first refused one.
bool runScript(Testbed& bed, const std::string& path, std::FILE* out);

// Reads commands from `fd` on a thread of its own until end of input or
// until destroyed.
class Console {
public:
    Console(Testbed& bed, int fd);
    ~Console();
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

private:
    void run();

    Testbed& bed_;
    int fd_;
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
};

} // namespace zq40emu::tools
