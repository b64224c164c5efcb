#include "render/texture_store.h"

namespace kelanim {

namespace {

int bytes_per_pixel_for(int bits)
{
    switch (bits) {
    case 15:
    case 16: return 2;
    case 24: return 3;
    case 32: return 4;
    default: return 0;
    }
}

}  // namespace

Td3dTexture_buffer::~Td3dTexture_buffer()
{
    // A device still attached here outlived its viewport's teardown; its
    // context is unknown, so the handles are only dropped.
    forget_device();
}

void Td3dTexture_buffer::release(ttexture_record& record)
{
    if (record.texture != 0) retired_.push_back(record.texture);
    record.texture = 0;
    record.pending = true;
}

bool Td3dTexture_buffer::add_texture(std::int32_t id, int width, int height, std::vector<std::uint8_t> data,
                                     int bits_per_pixel)
{
    std::string name = int_to_key(id, 6);
    if (auto old = records_.find(name); old != records_.end()) {
        release(old->second);
        records_.erase(old);
        if (current_id_ == id) {
            current_texture_ = 0;
            current_id_ = -1;
        }
    }
    const int bytes = bytes_per_pixel_for(bits_per_pixel);
    if (bytes == 0 || width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return false;
    const std::size_t size = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytes;
    if (data.size() < size) return false;
    data.resize(size);

    ttexture_record record;
    record.name = name;
    record.id = id;
    record.data = std::move(data);
    record.width = static_cast<std::uint16_t>(width);
    record.height = static_cast<std::uint16_t>(height);
    record.bits_per_pixel = static_cast<std::uint16_t>(bits_per_pixel);
    record.bytes_per_pixel = static_cast<std::uint16_t>(bytes);
    records_.emplace(name, std::move(record));
    current_texture_ = 0;
    current_id_ = id;
    return true;
}

void Td3dTexture_buffer::select_texture(std::int32_t id)
{
    if (const ttexture_record* record = find(id)) {
        current_texture_ = record->texture;
        current_id_ = id;
    } else {
        current_texture_ = 0;
        current_id_ = -1;
    }
}

const ttexture_record* Td3dTexture_buffer::find(std::int32_t id) const
{
    auto it = records_.find(int_to_key(id, 6));
    return it == records_.end() ? nullptr : &it->second;
}

bool Td3dTexture_buffer::recreate_textures(int index)
{
    if (records_.empty() || index < -1 || index > static_cast<int>(records_.size()) - 1) return false;
    int position = 0;
    for (auto& entry : records_) {
        if (index == -1 || position == index) release(entry.second);
        ++position;
    }
    return true;
}

bool Td3dTexture_buffer::realize()
{
    if (!device_) return false;
    for (std::uint32_t handle : retired_) device_->release_texture(handle);
    retired_.clear();
    bool all_made = true;
    for (auto& entry : records_) {
        ttexture_record& record = entry.second;
        if (!record.pending) {
            all_made = all_made && record.texture != 0;
            continue;
        }
        // Each texture is made in its own format: its kept data holds
        // exactly width x height texels of that format.
        record.texture = device_->create_texture(record.width, record.height, record.bits_per_pixel,
                                                 record.data.data());
        record.pending = false;
        all_made = all_made && record.texture != 0;
    }
    if (current_id_ >= 0) select_texture(current_id_);
    return all_made;
}

void Td3dTexture_buffer::attach_device(TextureDevice* device)
{
    if (device_ == device) return;
    forget_device();
    device_ = device;
}

void Td3dTexture_buffer::detach_device()
{
    if (device_) {
        for (auto& entry : records_) release(entry.second);
        for (std::uint32_t handle : retired_) device_->release_texture(handle);
    }
    retired_.clear();
    device_ = nullptr;
    current_texture_ = 0;
}

void Td3dTexture_buffer::forget_device()
{
    for (auto& entry : records_) {
        entry.second.texture = 0;
        entry.second.pending = true;
    }
    retired_.clear();
    device_ = nullptr;
    current_texture_ = 0;
}

void Td3dTexture_buffer::clear()
{
    for (auto& entry : records_) release(entry.second);
    records_.clear();
    current_texture_ = 0;
    current_id_ = -1;
}

}  // namespace kelanim
