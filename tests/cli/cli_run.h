// Runs kelanim-cli as a script would and collects what it printed and its exit status.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kelanim::test {

struct CliResult {
    int status = -1;
    std::string out, err;
};

inline std::string shell_quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
inline std::string quoted(const std::filesystem::path& path) { return shell_quote(path.string()); }

inline CliResult run_cli(const std::string& arguments)
{
    CliResult result;
    static int calls = 0;  // one stderr file per call and process
    const std::string err_file = std::string(KELANIM_TEST_OUTPUT_DIR) + "/cli-stderr-" + std::to_string(getpid()) +
                                 "-" + std::to_string(++calls) + ".txt";
    FILE* pipe = popen((shell_quote(KELANIM_CLI) + " " + arguments + " 2>" + shell_quote(err_file)).c_str(), "r");
    if (!pipe) return result;
    char buffer[65536];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.out.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(err_file);
    result.err.assign(std::istreambuf_iterator<char>(err), {});
    std::remove(err_file.c_str());
    return result;
}

}  // namespace kelanim::test
