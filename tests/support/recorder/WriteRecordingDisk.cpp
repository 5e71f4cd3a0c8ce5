// A FUSE file system that exposes disk files held in memory and logs every write, zero-out and
// fsync they receive, in the order they arrive, so that a test can rebuild a disk as it would
// stand after a power cut at any moment. Meant to lie under a loop device opened with direct
// I/O: the files are opened with direct I/O too, so no page cache reorders what the loop device
// sends, and one thread serves the requests in the order they come.
//
// Usage: ostrel_write_recording_disk LOG MOUNT_POINT NAME:MIB [NAME:MIB...]
// Runs in the foreground until the file system is unmounted. SIGUSR1 ends the recording: the
// disks then serve as plain disks (a test writes rebuilt states into them, so that the file
// systems come back on the very loop devices, with the device numbers they had).
#define FUSE_USE_VERSION 31
#include <fcntl.h>
#include <fuse.h>
#include <signal.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/recorder/RecordedWrites.h"

namespace {

using ostrel::test::RecordedRequest;

struct Disk {
    std::string name;  // "/NAME"
    std::vector<char> bytes;
};

std::vector<Disk> g_disks;
int g_log = -1;
volatile sig_atomic_t g_recording = 1;

int FindDisk(const char* path) {
    for (std::size_t i = 0; i < g_disks.size(); ++i) {
        if (g_disks[i].name == path) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Appends one record; a log that cannot be written ends the recorder, since every later state
// would be wrong.
void Log(RecordedRequest::Kind kind, int disk, std::uint64_t offset, std::uint32_t length,
         const char* data) {
    if (!g_recording) {
        return;
    }
    RecordedRequest header{kind, static_cast<std::uint8_t>(disk), 0, length, offset};
    iovec parts[2] = {{&header, sizeof header}, {const_cast<char*>(data), data ? length : 0u}};
    std::size_t total = sizeof header + parts[1].iov_len;
    if (::writev(g_log, parts, data ? 2 : 1) != static_cast<ssize_t>(total)) {
        std::perror("write-recording disk: log");
        std::abort();
    }
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
    std::memset(st, 0, sizeof *st);
    if (std::strcmp(path, "/") == 0) {
        st->st_mode = S_IFDIR | 0755;
        st->st_nlink = 2;
        return 0;
    }
    const int disk = FindDisk(path);
    if (disk < 0) {
        return -ENOENT;
    }
    st->st_mode = S_IFREG | 0600;
    st->st_nlink = 1;
    st->st_size = static_cast<off_t>(g_disks[disk].bytes.size());
    st->st_blksize = 4096;
    return 0;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
    if (std::strcmp(path, "/") != 0) {
        return -ENOENT;
    }
    fill(buffer, ".", nullptr, 0, FUSE_FILL_DIR_PLUS);
    fill(buffer, "..", nullptr, 0, FUSE_FILL_DIR_PLUS);
    for (const Disk& disk : g_disks) {
        fill(buffer, disk.name.c_str() + 1, nullptr, 0, FUSE_FILL_DIR_PLUS);
    }
    return 0;
}

int Open(const char* path, fuse_file_info* fi) {
    if (FindDisk(path) < 0) {
        return -ENOENT;
    }
    fi->direct_io = 1;
    fi->keep_cache = 0;
    return 0;
}

// The part of [offset, offset + size) inside the disk.
std::size_t Clamp(const Disk& disk, off_t offset, std::size_t size) {
    const auto end = static_cast<off_t>(disk.bytes.size());
    return offset >= end ? 0 : std::min<std::size_t>(size, static_cast<std::size_t>(end - offset));
}

int Read(const char* path, char* out, std::size_t size, off_t offset, fuse_file_info*) {
    const int disk = FindDisk(path);
    if (disk < 0) {
        return -ENOENT;
    }
    const std::size_t n = Clamp(g_disks[disk], offset, size);
    std::memcpy(out, g_disks[disk].bytes.data() + offset, n);
    return static_cast<int>(n);
}

int Write(const char* path, const char* data, std::size_t size, off_t offset, fuse_file_info*) {
    const int disk = FindDisk(path);
    if (disk < 0) {
        return -ENOENT;
    }
    const std::size_t n = Clamp(g_disks[disk], offset, size);
    if (n < size) {
        return -ENOSPC;
    }
    Log(RecordedRequest::kWrite, disk, static_cast<std::uint64_t>(offset),
        static_cast<std::uint32_t>(n), data);
    std::memcpy(g_disks[disk].bytes.data() + offset, data, n);
    return static_cast<int>(n);
}

int Fsync(const char* path, int, fuse_file_info*) {
    const int disk = FindDisk(path);
    if (disk < 0) {
        return -ENOENT;
    }
    Log(RecordedRequest::kFlush, disk, 0, 0, nullptr);
    return 0;
}

// Discards and zero-outs (a punched hole reads as zeros); the size never changes.
int Fallocate(const char* path, int mode, off_t offset, off_t length, fuse_file_info*) {
    const int disk = FindDisk(path);
    if (disk < 0) {
        return -ENOENT;
    }
    if ((mode & (FALLOC_FL_PUNCH_HOLE | FALLOC_FL_ZERO_RANGE)) == 0) {
        return -EOPNOTSUPP;
    }
    const std::size_t n = Clamp(g_disks[disk], offset, static_cast<std::size_t>(length));
    Log(RecordedRequest::kZero, disk, static_cast<std::uint64_t>(offset),
        static_cast<std::uint32_t>(n), nullptr);
    std::memset(g_disks[disk].bytes.data() + offset, 0, n);
    return 0;
}

int Truncate(const char* path, off_t size, fuse_file_info*) {
    const int disk = FindDisk(path);
    if (disk < 0) {
        return -ENOENT;
    }
    return size == static_cast<off_t>(g_disks[disk].bytes.size()) ? 0 : -EPERM;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s LOG MOUNT_POINT NAME:MIB [NAME:MIB...]\n", argv[0]);
        return 2;
    }
    g_log = ::open(argv[1], O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
    if (g_log < 0) {
        std::perror(argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const std::string disk = argv[i];
        const auto colon = disk.rfind(':');
        if (colon == std::string::npos || colon == 0) {
            std::fprintf(stderr, "bad disk %s\n", argv[i]);
            return 2;
        }
        const std::size_t mib = std::strtoul(disk.c_str() + colon + 1, nullptr, 10);
        g_disks.push_back({"/" + disk.substr(0, colon), std::vector<char>(mib << 20, '\0')});
    }
    struct sigaction stop {};
    stop.sa_handler = [](int) { g_recording = 0; };
    ::sigaction(SIGUSR1, &stop, nullptr);
    fuse_operations ops{};
    ops.getattr = GetAttr;
    ops.readdir = ReadDir;
    ops.open = Open;
    ops.read = Read;
    ops.write = Write;
    ops.fsync = Fsync;
    ops.fallocate = Fallocate;
    ops.truncate = Truncate;
    // Foreground, one thread: the log holds the requests in the order they were served.
    std::vector<char*> args = {argv[0], argv[2], const_cast<char*>("-f"), const_cast<char*>("-s")};
    return fuse_main(static_cast<int>(args.size()), args.data(), &ops, nullptr);
}
