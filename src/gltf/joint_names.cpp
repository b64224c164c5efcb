#include "gltf/joint_names.h"

#include <string>

namespace kelanim {

namespace {

std::string_view after_prefix(std::string_view name)
{
    const std::size_t cut = name.find_last_of("|:");
    return cut == std::string_view::npos ? name : name.substr(cut + 1);
}

bool all_digits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

std::optional<int> bone_number(std::string_view name)
{
    name = after_prefix(name);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && all_digits(name.substr(dot + 1))) name = name.substr(0, dot);
    constexpr std::string_view stem = "bone_";
    if (!name.starts_with(stem)) return std::nullopt;
    const std::string_view digits = name.substr(stem.size());
    if (!all_digits(digits) || digits.size() > 5) return std::nullopt;  // also refuses "bone_03_end"
    return std::stoi(std::string(digits));
}

std::string_view undecorated_animation_name(std::string_view name)
{
    const std::size_t bar = name.rfind('|');
    if (bar == std::string_view::npos) return name;
    // Blender's glTF import names an action "<animation>_<object>"; its FBX
    // export then calls it "<object>|<animation>_<object>".
    const std::string_view object = name.substr(0, bar);
    std::string_view action = name.substr(bar + 1);
    if (action.size() > object.size() + 1 && action.ends_with(object) &&
        action[action.size() - object.size() - 1] == '_')
        action.remove_suffix(object.size() + 1);
    return action;
}

}  // namespace kelanim
