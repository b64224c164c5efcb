// Reading a level and saving it again gives back the file, byte for byte.
#include <gtest/gtest.h>

#include <filesystem>

#include "level/ttrlevel.h"
#include "level_files.h"
#include "realdata.h"
#include "synthetic_level.h"
#include "synthetic_tr5.h"

using namespace kelanim;
using namespace kelanim::test;
namespace fs = std::filesystem;

// Every generation; a TRNG level holds its sound map where the demo data would
// be and ends with an "NG" trailer that stays with the samples; TR5 rooms come
// back with their layers.
TEST(RoundTrip, SavingWritesTheBytesThatWereRead)
{
    std::vector<std::pair<std::string, Bytes>> files;
    for (int code = 1; code <= 6; ++code) files.emplace_back(name_for(code), synthetic_level(code));
    files.emplace_back("trng.tr4", synthetic_trng_level());
    files.emplace_back("tr5.trc", synthetic_tr5_level({tr5_room(two_layer_room(0)), tr5_room(two_layer_room(1)), tr5_room({})}));
    for (const auto& [name, file] : files) {
        SCOPED_TRACE(name);
        Ttrlevel level;
        ASSERT_EQ(level.load_level_from_memory(file.data(), name), load_ok);
        EXPECT_FALSE(level.truncated);
        EXPECT_TRUE(same_bytes(file.data(), saved(level, output_dir("roundtrip") / name)));
        if (name == "trng.tr4") {  // sound map entry 7, and an empty one
            EXPECT_TRUE(level.trng && level.num_demo_data == 0 && level.sound_map.size() == 4096);
            EXPECT_EQ(level.sound_map.at(14) * 256 + level.sound_map[2], 7 * 256 + 0xFF);
        }
        if (name == "tr5.trc") {
            EXPECT_EQ((std::vector<long>{level.version_code, level.tr5_header[1], level.moveables[1].tr5_filler,
                                         long(level.sound_map.size()), level.num_rooms, level.rooms.at(0).num_layers}),
                      (std::vector<long>{code_tr5, 0xF1, 0xCDCD, 900, 3, 2}));
            EXPECT_EQ(std::string(level.samples.begin(), level.samples.end()), "TR5 SAMPLE DATA");
        }
    }
}

TEST(RealLevels, SavingGivesEveryFileBack)
{
    KELANIM_REQUIRE_REALDATA();
    for (const fs::path& in : real_levels()) {
        SCOPED_TRACE(in.filename().string());
        Ttrlevel level;
        ASSERT_EQ(level.load_level(in), load_ok);
        ASSERT_FALSE(level.truncated);
        EXPECT_TRUE(same_bytes(read_file(in), saved(level, output_dir("roundtrip") / ("real_" + in.filename().string()))));
    }
}
