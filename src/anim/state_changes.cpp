#include "anim/state_changes.h"

#include <algorithm>

namespace kelanim {

namespace {

template <typename Count, typename Array>
std::size_t held(Count count, const Array& array)
{
    return std::min<std::size_t>(count, array.size());
}

const tanimation* animation_at(const Ttrlevel& level, std::int64_t k)
{
    if (k < 0 || std::size_t(k) >= held(level.num_animations, level.animations)) return nullptr;
    return &level.animations[std::size_t(k)];
}

}  // namespace

std::string_view anim_command_name(std::uint16_t code)
{
    switch (anim_command_code(code)) {
    case anim_command_code::set_position: return "Set Position";
    case anim_command_code::jump_velocity: return "Jump Velocity";
    case anim_command_code::empty_hands: return "Empty Hands";
    case anim_command_code::kill: return "Kill";
    case anim_command_code::play_sound: return "Play Sound";
    case anim_command_code::flip_effect: return "Flip Effect";
    }
    return {};
}

std::string_view condition_name(anim_command_condition condition)
{
    switch (condition) {
    case anim_command_condition::always: return "";
    case anim_command_condition::on_land: return "on land";
    case anim_command_condition::in_water: return "in water";
    case anim_command_condition::both: return "on land and in water";
    }
    return "";
}

int anim_command_words(std::uint16_t code)
{
    switch (anim_command_code(code)) {
    case anim_command_code::set_position: return 3;
    case anim_command_code::jump_velocity: return 2;
    case anim_command_code::empty_hands:
    case anim_command_code::kill: return 0;
    case anim_command_code::play_sound:
    case anim_command_code::flip_effect: return 2;
    }
    return -1;
}

tstate_change_list state_changes_of(const Ttrlevel& level, std::int64_t k)
{
    tstate_change_list list;
    const tanimation* animation = animation_at(level, k);
    if (!animation) return list;
    const std::size_t changes = held(level.num_state_changes, level.state_changes);
    const std::size_t dispatches = held(level.num_anim_dispatches, level.anim_dispatches);

    const std::size_t first = animation->state_change_offset;
    const std::size_t end = std::min<std::size_t>(first + animation->num_state_changes, changes);
    list.cut_short = first + animation->num_state_changes > changes;
    std::size_t ranges_listed = 0;
    for (std::size_t i = first; i < end; ++i) {
        const tstate_change& change = level.state_changes[i];
        tstate_change_entry entry;
        entry.index = std::int64_t(i);
        entry.state_id = change.state_id;
        const std::size_t range_end = std::min<std::size_t>(change.anim_dispatch + change.num_anim_dispatches, dispatches);
        entry.ranges_cut_short = std::size_t(change.anim_dispatch) + change.num_anim_dispatches > dispatches;
        // Ranges of a sound level are each used once; a damaged one could
        // have every state change claim all of them.
        if (ranges_listed + (range_end > change.anim_dispatch ? range_end - change.anim_dispatch : 0) > dispatches) {
            list.cut_short = true;
            break;
        }
        for (std::size_t d = change.anim_dispatch; d < range_end; ++d, ++ranges_listed) {
            const tanim_dispatch& r = level.anim_dispatches[d];
            entry.ranges.push_back({std::int64_t(d), r.low, r.high, r.next_animation, r.next_frame});
        }
        list.entries.push_back(std::move(entry));
    }
    return list;
}

tanim_command_list anim_commands_of(const Ttrlevel& level, std::int64_t k)
{
    tanim_command_list list;
    const tanimation* animation = animation_at(level, k);
    if (!animation) return list;
    const std::size_t words = held(level.num_anim_commands, level.anim_commands);

    std::size_t p = animation->anim_command_offset;
    // Each command takes at least its code word, so the list can never hold
    // more commands than there are words left.
    for (std::uint32_t n = 0; n < animation->num_anim_commands; ++n) {
        if (p >= words) {
            list.cut_short = true;
            break;
        }
        const std::uint16_t code = level.anim_commands[p++];
        const int arguments = anim_command_words(code);
        if (arguments < 0) {
            list.unknown_code = code;
            break;
        }
        if (p + std::size_t(arguments) > words) {
            list.cut_short = true;
            break;
        }
        tanim_command command;
        command.code = code;
        const bool framed = code == std::uint16_t(anim_command_code::play_sound) ||
                            code == std::uint16_t(anim_command_code::flip_effect);
        for (int a = 0; a < arguments; ++a) command.arguments.push_back(std::int16_t(level.anim_commands[p + std::size_t(a)]));
        if (framed) {
            const std::uint16_t value = level.anim_commands[p + 1];
            command.frame = level.anim_commands[p];
            command.arguments = {std::int16_t(value & 0x3FFF)};
            command.condition = anim_command_condition(value >> 14);
        }
        p += std::size_t(arguments);
        list.commands.push_back(std::move(command));
    }
    return list;
}

}  // namespace kelanim
