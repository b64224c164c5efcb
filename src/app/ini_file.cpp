#include "app/ini_file.h"

#include <QFile>
#include <QStringList>

#include "level/zfile.h"

namespace kelanim {

namespace {

// "[Name]" gives "Name"; anything else gives nothing.
std::optional<QString> section_header(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.size() >= 2 && trimmed.startsWith(u'[') && trimmed.endsWith(u']'))
        return trimmed.mid(1, trimmed.size() - 2).trimmed();
    return std::nullopt;
}

std::optional<std::pair<QString, QString>> key_value(const QString& line)
{
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith(u';')) return std::nullopt;
    const qsizetype equals = trimmed.indexOf(u'=');
    if (equals <= 0) return std::nullopt;
    return std::make_pair(trimmed.left(equals).trimmed(), trimmed.mid(equals + 1).trimmed());
}

bool same_name(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

std::optional<QStringList> read_lines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    QString text = QString::fromUtf8(file.readAll());
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}

}  // namespace

std::optional<IniEntries> read_ini_section(const QString& path, const QString& section)
{
    const std::optional<QStringList> lines = read_lines(path);
    if (!lines) return std::nullopt;
    IniEntries entries;
    bool inside = false;
    for (const QString& line : *lines) {
        if (const auto header = section_header(line)) {
            inside = same_name(*header, section);
            continue;
        }
        if (!inside) continue;
        if (auto entry = key_value(line)) entries.push_back(std::move(*entry));
    }
    return entries;
}

QString ini_value(const IniEntries& entries, const QString& key)
{
    for (const auto& [name, value] : entries)
        if (same_name(name, key)) return value;
    return {};
}

void write_ini_section(const QString& path, const QString& section, const IniEntries& entries)
{
    QStringList lines = read_lines(path).value_or(QStringList{});

    // Find the section's extent: its header line and the line after its last.
    qsizetype header = -1, end = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = section_header(lines[i]);
        if (!name) continue;
        if (header >= 0) {
            end = i;
            break;
        }
        if (same_name(*name, section)) header = i;
    }
    if (header < 0) {
        if (!lines.isEmpty() && !lines.back().trimmed().isEmpty()) lines.append(QString());
        lines.append(QLatin1Char('[') + section + QLatin1Char(']'));
        header = lines.size() - 1;
        end = lines.size();
    }
    // Keep blank lines that separate this section from the next one after it.
    qsizetype insert_at = end;
    while (insert_at > header + 1 && lines[insert_at - 1].trimmed().isEmpty()) --insert_at;

    for (const auto& [key, value] : entries) {
        const QString line = key + QLatin1Char('=') + value;
        bool replaced = false;
        for (qsizetype i = header + 1; i < insert_at; ++i) {
            const auto existing = key_value(lines[i]);
            if (existing && same_name(existing->first, key)) {
                lines[i] = line;
                replaced = true;
                break;
            }
        }
        if (!replaced) lines.insert(insert_at++, line);
    }

    const QByteArray bytes = (lines.join(u'\n') + u'\n').toUtf8();
    write_file_atomically(QFile::encodeName(path).toStdString(), reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                          static_cast<std::size_t>(bytes.size()));
}

}  // namespace kelanim
