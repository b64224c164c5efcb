#include "anim/level_check.h"

#include <algorithm>
#include <array>
#include <map>

#include "anim/keyframes.h"
#include "anim/state_changes.h"

namespace kelanim {

namespace {

using std::to_string;

template <typename Count, typename Array>
std::size_t held(Count count, const Array& array)
{
    return std::min<std::size_t>(count, array.size());
}

bool tr1_layout(const Ttrlevel& level) { return level.version_code == code_tr1 || level.version_code == code_tr1_ub; }

// Collects the findings of one animation (or moveable), one of each kind:
// the first occurrence is kept and the others are only counted.
class FindingSet {
public:
    FindingSet(std::int32_t m, std::int32_t j, std::int64_t k) : m_(m), j_(j), k_(k) {}

    void add(check_problem problem, std::string message)
    {
        auto [slot, fresh] = found_.try_emplace(problem, kind{std::move(message), 0});
        if (!fresh) ++slot->second.more;
    }

    void move_into(std::vector<check_finding>& out)
    {
        for (auto& [problem, found] : found_) {
            std::string message = std::move(found.message);
            if (found.more > 0) message += " (and " + to_string(found.more) + " more like it)";
            out.push_back({problem, m_, j_, k_, std::move(message)});
        }
    }

private:
    struct kind {
        std::string message;
        std::size_t more = 0;
    };
    std::int32_t m_, j_;
    std::int64_t k_;
    std::map<check_problem, kind> found_;
};

std::string frame_range_text(int low, int high) { return to_string(low) + " to " + to_string(high); }

// Whether `frame` lies in the frame range of level-wide animation `target`,
// which must exist.
bool in_frame_range(const Ttrlevel& level, std::int64_t target, int frame)
{
    const tanimation& a = level.animations[std::size_t(target)];
    return frame >= a.frame_start && frame <= a.frame_end;
}

void check_moveable(const Ttrlevel& level, std::int32_t m, FindingSet& found)
{
    const tmoveable& moveable = level.moveables[std::size_t(m)];
    const std::size_t animations = held(level.num_animations, level.animations);
    if (moveable.animation >= 0) {
        const std::int64_t end = animation_run_end(level, m);
        if (std::size_t(moveable.animation) < animations && end > moveable.animation &&
            animation_count(level, m) == 0)
            found.add(check_problem::animations_overlap,
                      "animations from " + to_string(moveable.animation) +
                          " start before those of an earlier moveable; listed as none");
        if (std::size_t(moveable.animation) >= animations)
            found.add(check_problem::animations_past_records,
                      "first animation " + to_string(moveable.animation) + " does not exist (the level holds " +
                          to_string(animations) + " animations)");
        else if (end > std::int64_t(animations))
            found.add(check_problem::animations_past_records,
                      "animations run to " + to_string(end - 1) + ", past the " + to_string(animations) +
                          " animation records; " + to_string(animation_count(level, m)) + " are used");
    }
    const std::size_t pointers = held(level.num_mesh_pointers, level.mesh_pointers);
    if (moveable.num_meshes > 0 && std::size_t(moveable.starting_mesh) + moveable.num_meshes > pointers)
        found.add(check_problem::meshes_past_records,
                  to_string(moveable.num_meshes) + " meshes from mesh pointer " + to_string(moveable.starting_mesh) +
                      " run past the " + to_string(pointers) + " mesh pointers");
    const std::size_t tree_words = held(level.num_mesh_trees, level.mesh_trees);
    if (moveable.num_meshes > 1 && std::uint64_t(moveable.mesh_tree) + 4 * (moveable.num_meshes - 1u) > tree_words)
        found.add(check_problem::meshes_past_records,
                  "the bone links of " + to_string(moveable.num_meshes) + " meshes from mesh tree word " +
                      to_string(moveable.mesh_tree) + " run past the " + to_string(tree_words) + " mesh tree words");
}

// Words that one keyframe's rotations take, from word p of `frames` on, or
// more than `limit` once they pass it. Words outside `frames` count as
// two-word entries: the keyframe runs past the array anyway.
std::int64_t rotation_words(const Ttrlevel& level, std::int64_t p, std::int32_t bones, std::int64_t limit)
{
    const std::int64_t words = std::int64_t(held(level.num_frames, level.frames));
    std::int64_t used = 0;
    for (std::int32_t b = 0; b < bones && used <= limit; ++b) {
        const std::int64_t at = p + used;
        const bool one_word = at >= 0 && at < words && (std::uint16_t(level.frames[std::size_t(at)]) >> 14) != 0;
        used += one_word ? 1 : 2;
    }
    return used;
}

// `words_left` bounds the keyframe words the frame-size test reads over the
// whole level. Animations of a sound level share no keyframes, so it reads
// each word once; a damaged level whose animations all span the same words
// would otherwise have them read once per animation.
void check_keyframes(const Ttrlevel& level, std::int32_t m, std::int32_t j, std::int64_t k, FindingSet& found,
                     std::int64_t& words_left)
{
    const tanimation& a = level.animations[std::size_t(k)];
    const std::int64_t words = std::int64_t(held(level.num_frames, level.frames));
    const std::int64_t start = a.frame_offset / 2;
    const std::int64_t end = keyframe_run_end(level, k);
    if (start > words)
        found.add(check_problem::keyframes_past_frames, "the keyframes start at word " + to_string(start) +
                                                            ", past the " + to_string(words) + " words of frames");
    else if (end > words)
        found.add(check_problem::keyframes_past_frames, "the keyframes run to word " + to_string(end) + ", past the " +
                                                            to_string(words) + " words of frames");

    const std::int32_t keyframes = keyframe_count(level, m, j);
    if (a.frame_rate == 0) {
        found.add(check_problem::frame_rate_zero, "the frame rate is 0");
    } else if (a.frame_end >= a.frame_start) {
        const std::int64_t needed = (a.frame_end - a.frame_start) / a.frame_rate + 1;
        if (needed > keyframes)
            found.add(check_problem::frame_range_past_keyframes,
                      "frames " + frame_range_text(a.frame_start, a.frame_end) + " at frame rate " +
                          to_string(a.frame_rate) + " need " + to_string(needed) + " keyframes; " +
                          to_string(keyframes) + " are held");
    }
    if (a.frame_end < a.frame_start)
        found.add(check_problem::frame_range_backwards,
                  "the frame range " + frame_range_text(a.frame_start, a.frame_end) + " runs backwards");

    // TR1 keyframes are sized from the mesh count, which always fits.
    if (tr1_layout(level)) return;
    const std::int32_t length = keyframe_length(level, m, j);
    const std::int32_t bones = level.moveables[std::size_t(m)].num_meshes;
    for (std::int32_t n = 0; n < keyframes && words_left > 0; ++n, words_left -= length) {
        const std::int64_t first_rotation = start + std::int64_t(n) * length + 9;
        const std::int64_t used = 9 + rotation_words(level, first_rotation, bones, length);
        if (used > length) {
            found.add(check_problem::frame_size_too_small,
                      "keyframe " + to_string(n) + " needs more than its frame size of " + to_string(length) +
                          " words for " + to_string(bones) + " bones");
            break;  // one keyframe tells it; the others would repeat it
        }
    }
}

void check_links(const Ttrlevel& level, std::int64_t k, FindingSet& found)
{
    const tanimation& a = level.animations[std::size_t(k)];
    const std::size_t animations = held(level.num_animations, level.animations);
    if (a.next_animation >= animations)
        found.add(check_problem::next_animation_missing, "next animation " + to_string(a.next_animation) +
                                                             " does not exist (the level holds " +
                                                             to_string(animations) + " animations)");
    else if (!in_frame_range(level, a.next_animation, a.next_frame)) {
        const tanimation& target = level.animations[a.next_animation];
        found.add(check_problem::next_frame_out_of_range,
                  "next frame " + to_string(a.next_frame) + " lies outside frames " +
                      frame_range_text(target.frame_start, target.frame_end) + " of next animation " +
                      to_string(a.next_animation));
    }

    const tstate_change_list changes = state_changes_of(level, k);
    if (changes.cut_short)
        found.add(check_problem::state_changes_past_records,
                  to_string(a.num_state_changes) + " state changes from record " + to_string(a.state_change_offset) +
                      " run past what the level holds (" +
                      to_string(held(level.num_state_changes, level.state_changes)) + " state changes, " +
                      to_string(held(level.num_anim_dispatches, level.anim_dispatches)) + " frame ranges)");
    for (const tstate_change_entry& change : changes.entries) {
        if (change.ranges_cut_short)
            found.add(check_problem::state_changes_past_records,
                      "the frame ranges of state change " + to_string(change.index) + " run past the " +
                          to_string(held(level.num_anim_dispatches, level.anim_dispatches)) + " dispatch records");
        for (const tdispatch_range& r : change.ranges) {
            if (r.next_animation < 0 || std::size_t(r.next_animation) >= animations)
                found.add(check_problem::state_change_target_missing,
                          "state " + to_string(change.state_id) + " at frames " + frame_range_text(r.low, r.high) +
                              " goes to animation " + to_string(r.next_animation) + ", which does not exist");
            else if (!in_frame_range(level, r.next_animation, r.next_frame))
                found.add(check_problem::state_change_frame_out_of_range,
                          "state " + to_string(change.state_id) + " at frames " + frame_range_text(r.low, r.high) +
                              " goes to frame " + to_string(r.next_frame) + ", outside frames " +
                              frame_range_text(level.animations[std::size_t(r.next_animation)].frame_start,
                                               level.animations[std::size_t(r.next_animation)].frame_end) +
                              " of animation " + to_string(r.next_animation));
        }
    }

    const tanim_command_list commands = anim_commands_of(level, k);
    if (commands.cut_short)
        found.add(check_problem::commands_past_block,
                  to_string(a.num_anim_commands) + " commands from word " + to_string(a.anim_command_offset) +
                      " run past the " + to_string(held(level.num_anim_commands, level.anim_commands)) +
                      " command words");
    if (commands.unknown_code >= 0)
        found.add(check_problem::unknown_command, "command " + to_string(commands.commands.size()) + " has code " +
                                                      to_string(commands.unknown_code) + ", which the game does not know");
}

// TR4 and TR5 levels keep the records of the animations of Lara that the
// level leaves out: no keyframes, a single frame, and the links they had in
// the full set. The game never plays them, so their links are not checked.
bool left_out(const Ttrlevel& level, std::int32_t m, std::int32_t j, std::int64_t k)
{
    const tanimation& a = level.animations[std::size_t(k)];
    return level.version_code >= code_tr4 && a.frame_start == a.frame_end && keyframe_count(level, m, j) == 0 &&
           keyframe_run_end(level, k) == a.frame_offset / 2;
}

}  // namespace

std::string_view problem_id(check_problem problem)
{
    switch (problem) {
    case check_problem::animations_past_records: return "animations_past_records";
    case check_problem::animations_overlap: return "animations_overlap";
    case check_problem::meshes_past_records: return "meshes_past_records";
    case check_problem::frame_rate_zero: return "frame_rate_zero";
    case check_problem::frame_range_backwards: return "frame_range_backwards";
    case check_problem::frame_range_past_keyframes: return "frame_range_past_keyframes";
    case check_problem::keyframes_past_frames: return "keyframes_past_frames";
    case check_problem::frame_size_too_small: return "frame_size_too_small";
    case check_problem::next_animation_missing: return "next_animation_missing";
    case check_problem::next_frame_out_of_range: return "next_frame_out_of_range";
    case check_problem::state_changes_past_records: return "state_changes_past_records";
    case check_problem::state_change_target_missing: return "state_change_target_missing";
    case check_problem::state_change_frame_out_of_range: return "state_change_frame_out_of_range";
    case check_problem::commands_past_block: return "commands_past_block";
    case check_problem::unknown_command: return "unknown_command";
    }
    return "unknown";
}

std::vector<check_finding> check_level(const Ttrlevel& level)
{
    std::vector<check_finding> findings;
    std::int64_t words_left = 2 * std::int64_t(held(level.num_frames, level.frames)) + 1024;
    const std::size_t moveables = held(level.num_moveables, level.moveables);
    for (std::size_t i = 0; i < moveables; ++i) {
        const auto m = std::int32_t(i);
        FindingSet of_moveable(m, -1, -1);
        check_moveable(level, m, of_moveable);
        of_moveable.move_into(findings);

        const std::int32_t count = animation_count(level, m);
        for (std::int32_t j = 0; j < count; ++j) {
            const std::int64_t k = animation_index(level, m, j);
            if (left_out(level, m, j, k)) continue;
            FindingSet of_animation(m, j, k);
            check_keyframes(level, m, j, k, of_animation, words_left);
            check_links(level, k, of_animation);
            of_animation.move_into(findings);
        }
    }
    return findings;
}

std::string finding_place(const check_finding& finding)
{
    std::string place = "moveable " + to_string(finding.moveable);
    if (finding.animation >= 0)
        place += " animation " + to_string(finding.animation) + " (level animation " +
                 to_string(finding.level_animation) + ")";
    return place;
}

}  // namespace kelanim
