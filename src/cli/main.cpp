// kelanim-cli: the headless side of Kelanim, for batch work and tests.
#include <clocale>
#include <exception>
#include <iostream>

#include "commands.h"

using namespace kelanim::cli;

namespace {

int print_help()
{
    std::cout << "Usage: kelanim-cli COMMAND [ARGUMENTS]\n       kelanim-cli --version\n\nCommands:\n";
    for (const Command& c : commands()) std::cout << "  " << c.synopsis << '\n';
    return exit_ok;
}

int print_version()
{
    std::cout << "kelanim-cli " << KELANIM_VERSION << '\n';
    return exit_ok;
}

}  // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "C");
    if (argc < 2) {
        print_help();
        return exit_usage;
    }
    std::string name = argv[1];
    if (name == "help" || name == "--help" || name == "-h") return print_help();
    if (name == "--version") return print_version();
    Args args(argv + 2, argv + argc);
    for (const Command& c : commands()) {
        if (name != c.name) continue;
        try {
            return c.run(std::move(args));
        } catch (const std::exception& e) {
            std::cerr << "kelanim-cli: " << e.what() << '\n';
            return exit_failure;
        }
    }
    return usage_error("unknown command \"" + name + "\"");
}
