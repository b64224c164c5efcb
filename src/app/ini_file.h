// A minimal ini file: "[Section]" headers and "key=value" lines. Section and
// key names match without regard to case, as ini files always have; lines the
// program does not know are kept when a section is written back.
#pragma once

#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace kelanim {

using IniEntries = std::vector<std::pair<QString, QString>>;

// The entries of `section` in file order, or nothing when the file cannot be
// read. A file without the section gives an empty list.
std::optional<IniEntries> read_ini_section(const QString& path, const QString& section);

// The value of `key` among `entries`, or an empty string.
QString ini_value(const IniEntries& entries, const QString& key);

// Sets each of `entries` in `section` of the file, creating the file or the
// section when missing and keeping every other line. The file is replaced
// whole or not at all; failures are thrown as std::system_error.
void write_ini_section(const QString& path, const QString& section, const IniEntries& entries);

}  // namespace kelanim
