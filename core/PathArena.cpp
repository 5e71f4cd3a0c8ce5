#include "core/PathArena.h"

#include <algorithm>
#include <cstring>

namespace ostrel {
namespace {

constexpr int kOffsetBits = 40;
constexpr std::uint64_t kOffsetMask = (std::uint64_t{1} << kOffsetBits) - 1;

}  // namespace

char* PathArena::Reserve(size_t size) {
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().used < size) {
        size_t capacity = std::max(kBlockSize, size);
        m_blocks.push_back({std::make_unique_for_overwrite<char[]>(capacity), capacity, 0});
    }
    Block& block = m_blocks.back();
    m_entries.push_back((static_cast<std::uint64_t>(m_blocks.size() - 1) << kOffsetBits) |
                        block.used);
    char* at = block.bytes.get() + block.used;
    block.used += size;
    return at;
}

void PathArena::Append(std::string_view text) {
    Append(text, {});
}

void PathArena::Append(std::string_view head, std::string_view tail) {
    char* at = Reserve(head.size() + tail.size());
    if (!head.empty()) {
        std::memcpy(at, head.data(), head.size());
    }
    if (!tail.empty()) {
        std::memcpy(at + head.size(), tail.data(), tail.size());
    }
}

std::string_view PathArena::At(size_t index) const {
    std::uint64_t entry = m_entries[index];
    size_t blockIndex = entry >> kOffsetBits;
    size_t begin = entry & kOffsetMask;
    size_t end = m_blocks[blockIndex].used;
    if (index + 1 < m_entries.size() && (m_entries[index + 1] >> kOffsetBits) == blockIndex) {
        end = m_entries[index + 1] & kOffsetMask;
    }
    return {m_blocks[blockIndex].bytes.get() + begin, end - begin};
}

void PathArena::Clear() {
    m_blocks.clear();
    m_entries.clear();
}

}  // namespace ostrel
