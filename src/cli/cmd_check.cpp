// kelanim-cli check LEVEL [--json]: what in a level's animations breaks it.
//
// Exit status: 0 clean, 1 problems found, 2 no level to check (the file is
// missing or is no level: a script must not read that as "problems found"),
// 3 wrong usage, 4 any other failure.
#include <algorithm>
#include <iostream>
#include <span>

#include <nlohmann/json.hpp>

#include "anim/level_check.h"
#include "commands.h"

namespace kelanim::cli {

namespace {

constexpr int exit_problems_found = 1;
constexpr int exit_no_level = 2;

int run_check(Args args)
{
    const bool json = take_flag(args, "--json");
    if (args.size() != 1) return usage_error("usage: check LEVEL [--json]");
    Ttrlevel level;
    if (auto failed = open_level(level, args[0]))
        return *failed == exit_no_file || *failed == exit_not_a_level ? exit_no_level : *failed;

    const std::vector<check_finding> findings = check_level(level);
    const std::size_t listed = std::min(findings.size(), findings_listed);
    const std::span<const check_finding> shown(findings.data(), listed);
    if (json) {
        nlohmann::ordered_json out;
        out["file"] = args[0];
        out["clean"] = findings.empty();
        out["problems_found"] = findings.size();
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const check_finding& f : shown)
            list.push_back({{"problem", problem_id(f.problem)},
                            {"moveable", f.moveable},
                            {"animation", f.animation},
                            {"level_animation", f.level_animation},
                            {"message", f.message}});
        out["findings"] = std::move(list);
        std::cout << out.dump(2) << '\n';
    } else {
        for (const check_finding& f : shown)
            std::cout << finding_place(f) << ": " << f.message << " [" << problem_id(f.problem) << "]\n";
        if (listed < findings.size()) std::cout << "... and " << findings.size() - listed << " more\n";
        std::cout << args[0] << ": "
                  << (findings.empty() ? std::string("no problems found")
                                       : std::to_string(findings.size()) + " problem(s) found")
                  << '\n';
    }
    return findings.empty() ? exit_ok : exit_problems_found;
}

const bool registered = register_command(
    {"check", "check LEVEL [--json]       what breaks the level's animations (exit 0 clean, 1 problems, 2 no level)",
     run_check});

}  // namespace

}  // namespace kelanim::cli
