#include "catalog/catalog.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "catalog/catalog_values.h"
#include "catalog/xml_tokenizer.h"

namespace kelanim {

namespace {

// One catalog entry as its tag gives it, before it is written to the table.
struct catalog_entry {
    std::int32_t id = -1;
    std::string name = "none";
    std::int32_t id2 = -1;
    std::int32_t use_body_from = -1;
    float y_adjust = 0, x_adjust = 0, z_adjust = 0;
    float rx_adjust = 0, ry_adjust = 0, rz_adjust = 0;
    std::uint16_t ai = 0;
};

std::string upper_case(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

// Attribute names are matched in any case; a later attribute of the same
// name replaces an earlier one.
catalog_entry entry_from(const std::vector<xml_attribute>& attributes)
{
    catalog_entry entry;
    for (const xml_attribute& attribute : attributes) {
        const std::string key = upper_case(attribute.name);
        const std::string& value = attribute.value;
        if (key == "ID") entry.id = catalog_integer(value);
        else if (key == "NAME") entry.name = value;
        else if (key == "USE_BODY_FROM") entry.use_body_from = catalog_integer(value);
        else if (key == "ID2") entry.id2 = catalog_integer(value);
        else if (key == "Y_ADJUST") entry.y_adjust = catalog_float(value);
        else if (key == "X_ADJUST") entry.x_adjust = catalog_float(value);
        else if (key == "Z_ADJUST") entry.z_adjust = catalog_float(value);
        else if (key == "RY_ADJUST") entry.ry_adjust = catalog_float(value);
        else if (key == "RX_ADJUST") entry.rx_adjust = catalog_float(value);
        else if (key == "RZ_ADJUST") entry.rz_adjust = catalog_float(value);
        // Nothing reads the value; it is kept in its 16 bits as written.
        else if (key == "AI") entry.ai = static_cast<std::uint16_t>(catalog_integer(value));
    }
    return entry;
}

void write_entry(catalog_table& table, const catalog_entry& entry)
{
    if (entry.id < 0 || static_cast<std::size_t>(entry.id) >= table.size()) return;
    tmovable_record& record = table[static_cast<std::size_t>(entry.id)];
    if (entry.name != "none") record.name = entry.name;
    if (entry.use_body_from != -1) record.use_body_from = entry.use_body_from;
    if (entry.id2 != -1) record.id2 = entry.id2;
    // The adjustments and ai are written whether the tag gave them or not.
    record.y_adjust = entry.y_adjust;
    record.x_adjust = entry.x_adjust;
    record.z_adjust = entry.z_adjust;
    record.rx_adjust = entry.rx_adjust;
    record.ry_adjust = entry.ry_adjust;
    record.rz_adjust = entry.rz_adjust;
    record.ai = entry.ai;
}

void reset(catalog_table& table)
{
    for (std::size_t id = 0; id < table.size(); ++id) {
        tmovable_record& record = table[id];
        record.name = default_moveable_name(static_cast<std::uint32_t>(id));
        record.id2 = -1;
        record.use_body_from = -1;
        record.y_adjust = 0;
        record.level_index = 1;
    }
}

}  // namespace

std::string default_moveable_name(std::uint32_t object_id) { return "Moveable Id#" + std::to_string(object_id); }

std::string moveable_name(const catalog_table& table, std::uint32_t object_id)
{
    if (object_id >= table.size()) return default_moveable_name(object_id);
    return table[object_id].name;
}

std::string catalog_generation(std::int32_t version_code)
{
    switch (version_code) {
    case 1:
    case 2: return "TR1";
    case 3:
    case 4: return "TR2";
    case 5: return "TR3";
    case 6: return "TR4";
    case 7: return "TRC";
    default: return {};
    }
}

// The section read is the moveables element of the first game element (a
// child of the root) whose first attribute names the generation. Only
// empty-element tags inside it are entries; a tag written with an end tag is
// not. Reading stops at the end of that moveables element.
void read_catalog(catalog_table& table, const std::filesystem::path& path, std::int32_t version_code)
{
    XmlTokenizer xml(path);
    if (!xml.is_open()) return;

    const std::string generation = catalog_generation(version_code);
    reset(table);

    int depth = 0;
    bool in_game = false;
    bool in_moveables = false;
    while (xml.next()) {
        switch (xml.kind()) {
        case xml_tag_kind::start_tag:
            if (depth == 1 && xml.name() == "game" && !xml.attributes().empty() &&
                xml.attributes().front().value == generation)
                in_game = true;
            if (in_game && depth == 2 && xml.name() == "moveables") in_moveables = true;
            ++depth;
            break;
        case xml_tag_kind::empty_tag:
            if (in_moveables) write_entry(table, entry_from(xml.attributes()));
            break;
        case xml_tag_kind::end_tag:
            --depth;
            if (depth == 1 && in_game) in_game = false;
            if (depth == 2 && in_moveables) return;
            break;
        }
    }
}

}  // namespace kelanim
