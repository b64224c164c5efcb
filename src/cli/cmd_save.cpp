// kelanim-cli save IN OUT: reads a level and writes it again, in the layout
// the generation takes from OUT's name (.tub, .trg).
#include <exception>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "commands.h"

namespace kelanim::cli {

namespace {

int run_save(Args args)
{
    if (args.size() != 2) return usage_error("usage: save IN OUT");
    const std::string& in = args[0];
    const std::string& out = args[1];
    Ttrlevel level;
    if (auto failed = open_level(level, in)) return *failed;

    try {
        level.save_level(out);
    } catch (const std::exception& e) {
        std::cerr << "kelanim-cli: cannot save \"" << out << "\": " << e.what() << '\n';
        return exit_failure;
    }
    std::error_code error;
    const auto bytes = std::filesystem::file_size(out, error);
    std::cout << "wrote " << out << ": " << generation_name(level.version_code) << " (version code "
              << level.version_code << "), " << (error ? 0 : bytes) << " bytes\n";
    return exit_ok;
}

const bool registered = register_command({"save", "save IN OUT            write the level IN to OUT", run_save});

}  // namespace

}  // namespace kelanim::cli
