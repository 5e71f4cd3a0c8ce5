#pragma once

#include <cstdint>
#include <string>

namespace ostrel::platform {

class RawFile;

// Why writing over a file in place may not reach every copy of its old contents. Several may
// hold at once.
enum ReachLimit : std::uint32_t {
    kReachFull = 0,
    // The file system puts changed data in new places and leaves the old blocks as they were:
    // copy-on-write and log-structured file systems (btrfs, ZFS, bcachefs, f2fs, nilfs2), and
    // overlayfs, whose lower layer keeps the file as it was before it was first changed.
    kReachCopyOnWrite = 1u << 0,
    // Some of the file's blocks are shared with another file (a reflinked copy): a write gives
    // this file new blocks and the other file keeps the old ones.
    kReachSharedBlocks = 1u << 1,
    // A network or user-space (FUSE) file system: a server or another program decides where the
    // data is stored.
    kReachNetwork = 1u << 2,
    // ext3 or ext4 journals the file's data (mounted with data=journal, or the file carries the
    // journalling attribute): the journal may keep a copy.
    kReachDataJournal = 1u << 3,
};

struct OverwriteReach {
    std::uint32_t limits = kReachFull;  // ReachLimit bits
    // The file system's name when its type sets a limit ("btrfs", "nfs"); empty otherwise.
    std::string fileSystem;
    // The file's data is written back to the blocks it was read from, and an fdatasync of any
    // file of this file system sends its disk a cache flush (a journal commit or an explicit
    // one) that makes every write completed before it durable: ext2, ext3 and ext4 without data
    // journalling. Passes may then share one cache flush among many files.
    bool oneFlushForAll = false;
};

// What limits the overwriting of the open file `file`, found from its file system's type, its
// extent map (FIEMAP), the mount's options and the file's attributes. Call it before anything
// is written: a write on a copy-on-write file system ends the sharing it would have found.
// A fact that cannot be read (an unsupported call, an invalid handle) sets no limit.
OverwriteReach FindOverwriteReach(const RawFile& file);

}  // namespace ostrel::platform
