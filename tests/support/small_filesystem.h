// A small tmpfs for tests of faults on disk, to fill up or turn read-only, in a
// mount namespace private to the test process (no other process sees it; it goes
// with the process). Without the privilege to mount the test skips and says why.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace kelanim::test {

class SmallFilesystem {
public:
    // Mounts a tmpfs of `kilobytes` at `folder`, which is created empty.
    SmallFilesystem(const std::filesystem::path& folder, std::size_t kilobytes) : folder_(folder)
    {
        static const std::string no_namespace = [] {
            if (::unshare(CLONE_NEWNS) != 0) return std::string("cannot make a private mount namespace: ") + std::strerror(errno);
            // Mounts made from here on must not propagate back to the system.
            if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return std::string("cannot make the mounts private: ") + std::strerror(errno);
            return std::string();
        }();
        if (!(why_not_ = no_namespace).empty()) return;
        std::error_code ec;
        ::umount2(folder.c_str(), MNT_DETACH);  // a mount left by an earlier run of this process
        std::filesystem::remove_all(folder, ec);
        std::filesystem::create_directories(folder, ec);
        const std::string options = "size=" + std::to_string(kilobytes) + "k,mode=0755";
        mounted_ = ::mount("kelanim-test", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
        if (!mounted_) why_not_ = "cannot mount a small tmpfs at " + folder.string() + ": " + std::strerror(errno);
    }
    ~SmallFilesystem() { if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH); }
    SmallFilesystem(const SmallFilesystem&) = delete;
    SmallFilesystem& operator=(const SmallFilesystem&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& why_not() const { return why_not_; }
    const std::filesystem::path& folder() const { return folder_; }

    // Fills every byte left with a filler file, so that the next write that
    // needs space fails with ENOSPC. False when it did not fill as expected.
    bool fill()
    {
        const int fd = ::open((folder_ / ".filler").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (fd < 0) return false;
        std::vector<char> block(65536, 'F');
        int last_error = 0;
        for (std::size_t size = block.size(); size > 0; size /= 2, last_error = errno)  // shrinking blocks use up the last page
            while (::write(fd, block.data(), size) >= 0) {}
        ::close(fd);
        return last_error == ENOSPC;
    }

    // After fill(): gives back room for `bytes` rounded up to whole blocks, by
    // shortening the filler. False when the filesystem then reports other room.
    bool free_room(std::size_t bytes)
    {
        struct statvfs info {};
        if (::statvfs(folder_.c_str(), &info) != 0 || info.f_bsize == 0) return false;
        const std::size_t block = info.f_bsize, blocks = (bytes + block - 1) / block;
        std::error_code ec;
        const std::size_t size = std::filesystem::file_size(folder_ / ".filler", ec);
        if (ec || size % block != 0 || size < blocks * block) return false;
        std::filesystem::resize_file(folder_ / ".filler", size - blocks * block, ec);
        return !ec && ::statvfs(folder_.c_str(), &info) == 0 && info.f_bavail == blocks;
    }

    // Remounts read-only: root ignores permissions, but not a read-only mount.
    bool make_read_only()
    {
        return ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV, nullptr) == 0;
    }

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
    std::string why_not_;
};

// The names in a folder, sorted (to see that no temporary file was left).
inline std::vector<std::string> folder_entries(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace kelanim::test

#define KELANIM_REQUIRE_SMALL_FILESYSTEM(fs) \
    do { if (!(fs).mounted()) GTEST_SKIP() << (fs).why_not(); } while (0)
