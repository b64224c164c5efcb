#include "ttrlevel.h"

namespace kelanim {

namespace {

bool contains(const std::string& path, const char* a, const char* b)
{
    return path.find(a) != std::string::npos || path.find(b) != std::string::npos;
}

template <class T>
void release(std::vector<T>& buffer)
{
    std::vector<T>().swap(buffer);
}

}  // namespace

Ttrlevel::~Ttrlevel() = default;

void Ttrlevel::release_buffers()
{
    // Each generation owns only the buffers its files hold.
    if (version_code < code_tr4) release(textile8);
    if (version_code >= code_tr2) release(textile16);
    if (version_code >= code_tr4) {
        release(textile32);
        release(misc_textile);
    }
    if (version_code < code_tr2 || version_code >= code_tr4) release(samples);
    origin.clear();
}

void Ttrlevel::set_num_frames(std::uint32_t n)
{
    frames.resize(n);
    num_frames = n;
}

std::int32_t version_code_for(std::uint32_t version, const std::string& path)
{
    switch (version) {
    case version_tr1: return contains(path, ".TUB", ".tub") ? code_tr1_ub : code_tr1;
    case version_tr2: return contains(path, ".TRG", ".trg") ? code_tr2_trg : code_tr2;
    case version_tr3a:
    case version_tr3b: return code_tr3;
    case version_tr4:
    case version_tr4_demo: return contains(path, ".TRC", ".trc") ? code_tr5 : code_tr4;
    default: return code_none;
    }
}

const char* generation_name(std::int32_t version_code)
{
    switch (version_code) {
    case code_tr1: return "TR1";
    case code_tr1_ub: return "TR1 Unfinished Business";
    case code_tr2:
    case code_tr2_trg: return "TR2";
    case code_tr3: return "TR3";
    case code_tr4: return "TR4";
    case code_tr5: return "TR5";
    default: return "none";
    }
}

titem item_from_tr1(const titem_tr1& item)
{
    return titem{item.object_id, item.room, item.x, item.y, item.z, item.angle,
                 static_cast<std::int16_t>(item.intensity[0]), static_cast<std::int16_t>(item.intensity[1]),
                 item.flags};
}

titem_tr1 item_to_tr1(const titem& item)
{
    return titem_tr1{item.object_id,
                     item.room,
                     item.x,
                     item.y,
                     item.z,
                     item.angle,
                     {static_cast<std::uint8_t>(item.intensity1 & 0xFF), static_cast<std::uint8_t>(item.intensity2 & 0xFF)},
                     item.flags};
}

}  // namespace kelanim
