// The commands of kelanim-cli. Each command lives in a cmd_*.cpp file of its
// own and registers itself there:
//
//   static const bool registered = register_command(
//       {"info", "info LEVEL [--json]   what a level holds", run_info});
//
// Each takes the arguments after its name and returns the exit code.
#pragma once

#include "cli_support.h"

namespace kelanim::cli {

struct Command {
    const char* name;
    const char* synopsis;
    int (*run)(Args args);
};

bool register_command(const Command& command);

// Every registered command, sorted by name.
std::vector<Command> commands();

}  // namespace kelanim::cli
