// What an export or an import reports back to the window or the command line.
#pragma once

#include <string>
#include <vector>

namespace kelanim {

struct exchange_outcome {
    bool ok = false;
    // "Export Done." or "Import Sucessfull." on success; otherwise why nothing
    // was written or changed.
    std::string message;
    // Things the user should know about a successful run.
    std::vector<std::string> warnings;
    // Files written, the model last.
    std::vector<std::string> files;
};

inline exchange_outcome exchange_failure(std::string message)
{
    exchange_outcome outcome;
    outcome.message = std::move(message);
    return outcome;
}

}  // namespace kelanim
