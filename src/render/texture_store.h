// The texture store: device textures by integer id, each kept together with
// the pixel data it was made from, so that the textures can be made again on a
// new graphics context without going back to the level.
//
// Records are named by the id right-aligned in six characters ("    12") and
// kept in the order of these names. Device textures are made and released
// only in `realize`, which the device calls while its context is current, so
// the level can be opened (and pages added) while no context is current. The
// store works without any device, which is also how it is tested.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "geometry/node_list.h"

namespace kelanim {

// What the store needs of a graphics device.
class TextureDevice {
public:
    virtual ~TextureDevice() = default;
    // Makes a texture of `width` x `height` texels of `bits` per pixel (15:
    // 1-5-5-5, 16: 5-6-5, 24: 8-8-8 blue first, 32: 8-8-8-8 blue first) from
    // rows packed without gaps. Returns a non-zero handle, or 0 on failure.
    virtual std::uint32_t create_texture(int width, int height, int bits, const std::uint8_t* pixels) = 0;
    virtual void release_texture(std::uint32_t handle) = 0;
};

struct ttexture_record {
    std::string name;
    std::int32_t id = 0;
    std::uint32_t texture = 0;  // device handle, 0 when the device has none
    bool pending = true;        // the device texture is still to be made
    std::vector<std::uint8_t> data;
    std::uint16_t width = 0, height = 0;
    std::uint16_t bits_per_pixel = 16;
    std::uint16_t bytes_per_pixel = 2;
};

class Td3dTexture_buffer {
public:
    Td3dTexture_buffer() = default;
    Td3dTexture_buffer(const Td3dTexture_buffer&) = delete;
    Td3dTexture_buffer& operator=(const Td3dTexture_buffer&) = delete;
    ~Td3dTexture_buffer();

    // Replaces any texture of the same id. Bits per pixel 15, 16, 24 or 32;
    // `data` must hold width x height texels, else false and no record for
    // the id. The device texture follows at the next `realize`. The new
    // texture becomes the current one.
    bool add_texture(std::int32_t id, int width, int height, std::vector<std::uint8_t> data, int bits_per_pixel);
    // Makes the texture of `id` current, or none (current id -1).
    void select_texture(std::int32_t id);
    std::uint32_t current_texture() const { return current_texture_; }
    std::int32_t current_id() const { return current_id_; }
    // Has the device textures made again from the kept data at the next
    // `realize`: every record for index -1, else the record at that position
    // in name order. False when the store is empty or the index is out of range.
    bool recreate_textures(int index = -1);

    // Uses `device` from now on; every texture is made on it at the next
    // `realize`. Handles of an earlier device are dropped: detach it first.
    void attach_device(TextureDevice* device);
    // Releases every device texture and forgets the device; the pixel data
    // stays. The device's context must be current.
    void detach_device();
    // Forgets the device textures without releasing them: their context is gone.
    void forget_device();
    // Makes the pending device textures and releases replaced ones; the
    // device's context must be current. A texture the device cannot make is
    // not tried again until it is replaced or recreated; faces using it are
    // drawn untextured. Returns false when some texture could not be made.
    bool realize();
    TextureDevice* device() const { return device_; }

    const ttexture_record* find(std::int32_t id) const;
    std::size_t size() const { return records_.size(); }
    const std::map<std::string, ttexture_record>& records() const { return records_; }
    void clear();

private:
    void release(ttexture_record& record);

    std::map<std::string, ttexture_record> records_;
    std::vector<std::uint32_t> retired_;  // device textures replaced since the last realize
    TextureDevice* device_ = nullptr;
    std::uint32_t current_texture_ = 0;
    std::int32_t current_id_ = -1;
};

}  // namespace kelanim
