// What every command of kelanim-cli shares: argument access, opening a level
// with a clear message, and the sinks that print to stderr.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "level/sinks.h"
#include "level/ttrlevel.h"

namespace kelanim::cli {

// Exit codes shared by every command.
enum exit_codes : int { exit_ok = 0, exit_no_file = 1, exit_not_a_level = 2, exit_usage = 3, exit_failure = 4 };

using Args = std::vector<std::string>;

// Prints messages meant for the user to stderr.
class StderrMessages : public MessageSink {
public:
    void show_message(std::string_view text) override;
};

// Reads `path` into `level`. On failure prints the reason to stderr and
// returns the exit code to end with; on success returns nothing.
std::optional<int> open_level(Ttrlevel& level, const std::string& path);

// True when `flag` stands among the arguments; removes it.
bool take_flag(Args& args, const std::string& flag);
// The value after `option` (e.g. "--moveable 3"); removes both.
std::optional<std::string> take_option(Args& args, const std::string& option);
// Parses a whole decimal number, or prints a usage error and returns nothing.
std::optional<long> parse_number(const std::string& text, const char* what);

int usage_error(const std::string& message);

}  // namespace kelanim::cli
