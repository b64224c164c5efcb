#include <gtest/gtest.h>

#include <map>

#include "render/texture_store.h"

using namespace kelanim;

namespace {

// Keeps the bits and first texel byte of each texture a store makes; can refuse.
struct FakeDevice : TextureDevice {
    std::uint32_t create_texture(int, int, int bits, const std::uint8_t* pixels) override
    {
        return refuse ? 0 : (made[next] = {bits, pixels[0]}, next++);
    }
    void release_texture(std::uint32_t handle) override { made.erase(handle); }

    std::map<std::uint32_t, std::pair<int, std::uint8_t>> made;
    std::uint32_t next = 1;
    bool refuse = false;
};

std::vector<std::uint8_t> texels(int side, int bytes, std::uint8_t value = 0)
{
    return std::vector<std::uint8_t>(static_cast<std::size_t>(side * side * bytes), value);
}

}  // namespace

TEST(TextureStore, RecordsAreNamedByRightAlignedIdsAndSelectedByThem)
{
    Td3dTexture_buffer store;
    for (std::int32_t id : {12, 100, 3}) ASSERT_TRUE(store.add_texture(id, 2, 2, texels(2, 2), 16));
    std::vector<std::string> names;
    for (const auto& entry : store.records()) names.push_back(entry.second.name);
    EXPECT_EQ(names, (std::vector<std::string>{"     3", "    12", "   100"}));
    store.select_texture(12);
    EXPECT_EQ(store.current_id(), 12);
    // A failed replacement of the current texture leaves none current.
    EXPECT_FALSE(store.add_texture(12, 0, 2, {}, 16));
    EXPECT_EQ(std::tuple(store.current_id(), store.current_texture(), store.size()), std::tuple(-1, 0u, 2u));
    EXPECT_TRUE(store.add_texture(1, 0xFFFF, 1, std::vector<std::uint8_t>(2 * 0xFFFF), 16)) << "the widest texture";
    // Too few texels, no such format, too wide.
    for (auto [width, bits, bytes] : {std::tuple{4, 16, 7}, {2, 8, 8}, {0x10000, 16, 0x20000}})
        EXPECT_FALSE(store.add_texture(1, width, 1, std::vector<std::uint8_t>(bytes), bits)) << width;
}

TEST(TextureStore, TexturesAreMadeOnlyWhenTheDeviceRealizesThemAndAgainOnTheNextDevice)
{
    Td3dTexture_buffer store;
    FakeDevice device, lost, next;
    store.add_texture(0, 4, 4, texels(4, 2, 7), 16);
    store.attach_device(&device);
    EXPECT_TRUE(device.made.empty()) << "no context is current when a level is opened";
    EXPECT_TRUE(store.realize());
    store.add_texture(0, 4, 4, texels(4, 2, 9), 16);  // released at the next realize
    store.realize();
    EXPECT_EQ(device.made, (decltype(device.made){{2, {16, 9}}}));
    store.detach_device();
    EXPECT_EQ(std::pair(device.made.size(), store.find(0)->texture), std::pair(std::size_t{0}, 0u));
    // A lost context is forgotten without releasing; the next device makes the textures anew.
    for (FakeDevice* d : {&lost, &next}) {
        store.forget_device();
        store.attach_device(d);
        store.realize();
    }
    EXPECT_EQ(std::tuple(lost.made.size(), next.made.size(), store.find(0)->texture), std::tuple(1u, 1u, 1u));
}

TEST(TextureStore, AFailedTextureIsRetriedInItsOwnFormatOnlyWhenRecreated)
{
    Td3dTexture_buffer store;
    FakeDevice device;
    store.attach_device(&device);
    EXPECT_FALSE(store.recreate_textures(-1)) << "nothing to recreate";
    device.refuse = true;
    for (auto [id, bits] : {std::pair{1, 24}, {2, 32}, {3, 15}}) store.add_texture(id, 2, 2, texels(2, 4), bits);
    EXPECT_FALSE(store.realize());
    device.refuse = false;
    EXPECT_FALSE(store.realize()) << "a failed texture is not retried every frame";
    EXPECT_EQ(std::tuple(store.recreate_textures(3), store.recreate_textures(-2), store.recreate_textures(2)),
              std::tuple(false, false, true));
    EXPECT_TRUE(store.recreate_textures(-1));
    EXPECT_TRUE(store.realize());
    std::vector<int> bits;
    for (const auto& entry : device.made) bits.push_back(entry.second.first);
    EXPECT_EQ(bits, (std::vector<int>{24, 32, 15}));
}
