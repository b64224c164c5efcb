#include <gtest/gtest.h>

#include <map>

#include "render/texture_store.h"

using namespace kelanim;

namespace {

// Keeps the bits and first texel byte of each texture a store makes; can refuse.
struct FakeDevice : TextureDevice {
    std::uint32_t create_texture(int, int, int bits, const std::uint8_t* pixels) override
    {
        if (refuse) return 0;
        made[next] = {bits, pixels[0]};
        return next++;
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
    EXPECT_EQ(store.find(12)->name, "    12");
    std::vector<std::int32_t> order;
    for (const auto& entry : store.records()) order.push_back(entry.second.id);
    EXPECT_EQ(order, (std::vector<std::int32_t>{3, 12, 100}));
    store.select_texture(12);
    EXPECT_EQ(store.current_id(), 12);
    store.select_texture(9999);
    EXPECT_EQ(std::pair(store.current_id(), store.current_texture()), std::pair(-1, 0u));
}

TEST(TextureStore, TexturesAreMadeOnlyWhenTheDeviceRealizesThemAndAgainOnTheNextDevice)
{
    Td3dTexture_buffer store;
    FakeDevice device, lost, next;
    store.add_texture(0, 4, 4, texels(4, 2, 7), 16);
    store.attach_device(&device);
    EXPECT_TRUE(device.made.empty()) << "no context is current when a level is opened";
    EXPECT_TRUE(store.realize());
    store.select_texture(0);
    EXPECT_EQ(device.made, (decltype(device.made){{store.current_texture(), {16, 7}}}));
    // Replacing a page releases the old texture at the next realize.
    store.add_texture(0, 4, 4, texels(4, 2, 9), 16);
    store.realize();
    EXPECT_EQ(device.made, (decltype(device.made){{2, {16, 9}}}));
    store.detach_device();
    EXPECT_TRUE(device.made.empty());
    EXPECT_EQ(store.find(0)->texture, 0u);
    EXPECT_EQ(store.find(0)->data.size(), 32u) << "the pixels stay to make the texture again";

    // A lost context is forgotten without releasing, and the next device gets the textures anew.
    store.attach_device(&lost);
    store.realize();
    store.forget_device();
    EXPECT_EQ(lost.made.size(), 1u);
    store.attach_device(&next);
    store.realize();
    ASSERT_EQ(next.made.size(), 1u);
    EXPECT_EQ(store.find(0)->texture, next.made.begin()->first);
}

TEST(TextureStore, BadTexturesAreRefusedAndOnlyRecreatingRetriesAFailedOneInItsOwnFormat)
{
    Td3dTexture_buffer store;
    FakeDevice device;
    store.attach_device(&device);
    EXPECT_FALSE(store.add_texture(1, 4, 4, texels(2, 2), 16)) << "too few texels";
    EXPECT_FALSE(store.add_texture(1, 2, 2, texels(2, 2), 8)) << "no such format";
    EXPECT_FALSE(store.add_texture(1, 0, 2, {}, 16));
    EXPECT_EQ(store.size(), 0u);
    EXPECT_FALSE(store.recreate_textures(-1)) << "nothing to recreate";

    device.refuse = true;
    for (auto [id, bits] : {std::pair{1, 24}, {2, 32}, {3, 15}})
        store.add_texture(id, 2, 2, texels(2, (bits + 7) / 8), bits);
    EXPECT_FALSE(store.realize());
    device.refuse = false;
    EXPECT_FALSE(store.realize()) << "a failed texture is not retried every frame";
    EXPECT_TRUE(device.made.empty());
    EXPECT_FALSE(store.recreate_textures(3));
    EXPECT_FALSE(store.recreate_textures(-2));
    EXPECT_TRUE(store.recreate_textures(2));
    EXPECT_TRUE(store.recreate_textures(-1));
    EXPECT_TRUE(store.realize());
    std::vector<int> bits;
    for (const auto& entry : device.made) bits.push_back(entry.second.first);
    EXPECT_EQ(bits, (std::vector<int>{24, 32, 15}));
}
