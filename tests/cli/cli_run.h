// Runs kelanim-cli and collects what it printed and its exit status.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace kelanim::test {

struct CliResult {
    int status = -1;
    std::string out;  // stdout; stderr goes to `err`
    std::string err;
};

inline std::string shell_quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline CliResult run_cli(const std::string& arguments)
{
    CliResult result;
    // One stderr file per call: tests run in parallel processes.
    static int calls = 0;
    const std::string err_file = std::string(KELANIM_TEST_OUTPUT_DIR) + "/cli-stderr-" + std::to_string(getpid()) +
                                 "-" + std::to_string(++calls) + ".txt";
    const std::string command = shell_quote(KELANIM_CLI) + " " + arguments + " 2>" + shell_quote(err_file);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[65536];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (FILE* err = fopen(err_file.c_str(), "r")) {
        while ((n = fread(buffer, 1, sizeof buffer, err)) > 0) result.err.append(buffer, n);
        fclose(err);
    }
    std::remove(err_file.c_str());
    return result;
}

}  // namespace kelanim::test
