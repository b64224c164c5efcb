// The state changes and animation commands of one animation, decoded from
// the level's shared arrays.
//
// A state change says: while the animation plays, a request for state
// `state_id` switches, inside each of its frame ranges, to the range's target
// animation and frame. The commands are a run of 16-bit words: a command code
// followed by its arguments, as many as the code takes. Frame numbers are the
// game's, counted like `frame_start` and `frame_end`; animation numbers are
// level-wide indexes into `animations`.
//
// Nothing here reads outside the level's arrays: a list that runs past its
// records stops at the last record held and says so.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "level/ttrlevel.h"

namespace kelanim {

// One frame range of a state change (a `tanim_dispatch`).
struct tdispatch_range {
    std::int64_t dispatch = 0;  // index into `anim_dispatches`
    std::int16_t low = 0, high = 0;
    std::int16_t next_animation = 0, next_frame = 0;
};

struct tstate_change_entry {
    std::int64_t index = 0;  // index into `state_changes`
    std::uint16_t state_id = 0;
    std::vector<tdispatch_range> ranges;
    // The record's ranges run past the dispatches the level holds.
    bool ranges_cut_short = false;
};

struct tstate_change_list {
    std::vector<tstate_change_entry> entries;
    // The animation's state changes run past the records the level holds, or
    // claim more frame ranges than there are (the list stops there).
    bool cut_short = false;
};

// The command codes of the game.
enum class anim_command_code : std::uint16_t {
    set_position = 1,   // x, y, z: where the object stands when the animation ends
    jump_velocity = 2,  // vertical, horizontal speed given when the animation ends
    empty_hands = 3,
    kill = 4,
    play_sound = 5,   // frame, sound id
    flip_effect = 6,  // frame, effect
};

// Where a sound or effect of codes 5 and 6 happens: the top two bits of its
// word (TR2 on); the sound id or effect number is the rest.
enum class anim_command_condition : std::uint8_t { always = 0, on_land = 1, in_water = 2, both = 3 };

struct tanim_command {
    std::uint16_t code = 0;
    // Codes 1 and 2: x, y, z or vertical, horizontal. Codes 5 and 6: the sound
    // id or effect number, without its condition bits.
    std::vector<std::int16_t> arguments;
    std::int32_t frame = -1;  // codes 5 and 6; -1 for the others
    anim_command_condition condition = anim_command_condition::always;
};

// "on land", "in water", "on land and in water" or "" for always.
std::string_view condition_name(anim_command_condition condition);

struct tanim_command_list {
    std::vector<tanim_command> commands;
    // The list runs past the command words the level holds.
    bool cut_short = false;
    // Decoding stopped at a word that is no command code; its value.
    std::int32_t unknown_code = -1;
};

// Name of a command code ("Set Position", ...), or an empty view for a code
// the game does not know.
std::string_view anim_command_name(std::uint16_t code);

// Number of argument words that follow a command code (its frame counted), or
// -1 for an unknown code.
int anim_command_words(std::uint16_t code);

// The state changes of level-wide animation k; empty when k does not exist.
tstate_change_list state_changes_of(const Ttrlevel& level, std::int64_t k);

// The commands of level-wide animation k; empty when k does not exist.
tanim_command_list anim_commands_of(const Ttrlevel& level, std::int64_t k);

}  // namespace kelanim
