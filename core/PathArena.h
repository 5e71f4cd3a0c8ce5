#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace ostrel {

// An append-only list of strings stored back to back in large blocks of bytes, with one
// 8-byte index entry per string: no heap object per string, and no block is ever moved.
class PathArena {
  public:
    // Appends `text`; it is kept exactly (it may hold any byte).
    void Append(std::string_view text);
    // Appends `head` followed by `tail` as one string.
    void Append(std::string_view head, std::string_view tail);
    // String `index` (0-based, < Size()). Valid as long as the arena lives.
    std::string_view At(size_t index) const;
    size_t Size() const { return m_entries.size(); }
    void Clear();

  private:
    static constexpr size_t kBlockSize = 256 * 1024;
    // Where the next string of `size` bytes goes, opening a new block when the current one is
    // full (a string longer than a block gets a block of its own).
    char* Reserve(size_t size);

    struct Block {
        std::unique_ptr<char[]> bytes;
        size_t capacity = 0;
        size_t used = 0;
    };
    std::vector<Block> m_blocks;
    // Per string: block index in the top 24 bits, offset in the low 40; the string ends where
    // the next one in the same block starts, or at the block's fill level.
    std::vector<std::uint64_t> m_entries;
};

}  // namespace ostrel
