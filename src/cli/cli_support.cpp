#include "cli_support.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <iostream>
#include <string_view>

namespace kelanim::cli {

void StderrMessages::show_message(std::string_view text) { std::cerr << text << '\n'; }

std::optional<int> open_level(Ttrlevel& level, const std::string& path)
{
    static StderrMessages messages;
    level.messages = &messages;
    std::uint8_t result;
    try {
        result = level.load_level(path);
    } catch (const std::exception& e) {
        std::cerr << "kelanim-cli: " << e.what() << '\n';
        return exit_failure;
    }
    if (result == load_no_file) {
        std::cerr << "kelanim-cli: the file \"" << path << "\" does not exist\n";
        return exit_no_file;
    }
    if (result == load_not_a_level) {
        std::cerr << "kelanim-cli: \"" << path << "\" is not a Tomb Raider level (unknown version word)\n";
        return exit_not_a_level;
    }
    if (level.truncated)
        std::cerr << "kelanim-cli: warning: \"" << path
                  << "\" ended early; the level is damaged and saving it will not restore what is missing\n";
    return std::nullopt;
}

bool take_flag(Args& args, const std::string& flag)
{
    auto it = std::find(args.begin(), args.end(), flag);
    if (it == args.end()) return false;
    args.erase(it);
    return true;
}

std::optional<std::string> take_option(Args& args, const std::string& option)
{
    auto it = std::find(args.begin(), args.end(), option);
    if (it == args.end() || it + 1 == args.end()) return std::nullopt;
    std::string value = *(it + 1);
    args.erase(it, it + 2);
    return value;
}

std::optional<long> parse_number(const std::string& text, const char* what)
{
    long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        std::cerr << "kelanim-cli: " << what << " must be a whole number, not \"" << text << "\"\n";
        return std::nullopt;
    }
    return value;
}

int usage_error(const std::string& message)
{
    std::cerr << "kelanim-cli: " << message << "\nRun 'kelanim-cli help' for the commands.\n";
    return exit_usage;
}

}  // namespace kelanim::cli

#include "commands.h"

namespace kelanim::cli {

namespace {
std::vector<Command>& registry()
{
    static std::vector<Command> all;
    return all;
}
}  // namespace

bool register_command(const Command& command)
{
    registry().push_back(command);
    return true;
}

std::vector<Command> commands()
{
    std::vector<Command> sorted = registry();
    std::sort(sorted.begin(), sorted.end(),
              [](const Command& a, const Command& b) { return std::string_view(a.name) < b.name; });
    return sorted;
}

}  // namespace kelanim::cli
