// Writing small catalog files for the catalog tests.
#pragma once

#include <fstream>
#include <string>

#include "realdata.h"

namespace kelanim::test {

// Writes `text` to a file named `name` under the test output folder and
// returns its path.
inline std::filesystem::path write_text_file(const std::string& name, const std::string& text)
{
    const std::filesystem::path path = output_dir("catalog") / name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

// A catalog with one game element per (generation, entries) pair, entries
// given as raw XML.
inline std::string catalog_xml(std::initializer_list<std::pair<std::string, std::string>> games)
{
    std::string text = "<?xml version=\"1.0\"?>\n<catalog>\n";
    for (const auto& [generation, entries] : games)
        text += "<game version=\"" + generation + "\"><moveables>\n" + entries + "\n</moveables></game>\n";
    return text + "</catalog>\n";
}

}  // namespace kelanim::test
