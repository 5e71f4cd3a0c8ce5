#pragma once

#include <cstdint>

namespace ostrel::test {

// The log that the write-recording disk keeps: one record per request the kernel sent to one of
// its disk files, in the order the requests arrived. A record is this header, followed by the
// written bytes for a write.
struct RecordedRequest {
    enum Kind : std::uint8_t {
        kWrite = 'W',  // `length` bytes at `offset`, the data follows
        kZero = 'Z',   // `length` bytes at `offset` became zeros (a discard or zero-out)
        kFlush = 'F',  // fsync: everything written to the disk before is durable
    };
    std::uint8_t kind;
    std::uint8_t disk;  // which disk file, by its place on the recorder's command line
    std::uint16_t unused;
    std::uint32_t length;
    std::uint64_t offset;
};
static_assert(sizeof(RecordedRequest) == 16);

}  // namespace ostrel::test
