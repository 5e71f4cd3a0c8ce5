#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <utility>

#include "platform/Handle.h"

namespace ostrel::test {
namespace {

using platform::Handle;

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1;
}

int OpenNull() {
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

// Whichever way a handle changes hands, what it held is closed when its last owner lets go and
// never before: a descriptor closed too early or twice may by then be another file's.
TEST(HandleTest, ClosesWhatItHoldsWhenItsLastOwnerLetsGo) {
    const struct {
        const char* what;
        void (*handOver)(Handle& first, Handle& last);
    } rows[] = {
        {"kept", [](Handle& first, Handle& last) { std::swap(first, last); }},
        {"moved into a new handle",
         [](Handle& first, Handle& last) {
             Handle middle(std::move(first));
             last = std::move(middle);
         }},
        {"moved onto itself",
         [](Handle& first, Handle& last) {
             Handle& same = first;
             first = std::move(same);
             last = std::move(first);
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const int fd = OpenNull();
        ASSERT_GE(fd, 0);
        {
            Handle last;
            {
                Handle first(fd);
                row.handOver(first, last);
            }
            EXPECT_TRUE(last.Valid());
            EXPECT_TRUE(IsOpen(fd)) << "closed while a handle still held it";
        }
        EXPECT_FALSE(IsOpen(fd)) << "left open after its last handle died";
    }
}

// After Reset the handle holds nothing: a file opened next under the same number stays open when
// the handle dies.
TEST(HandleTest, ResetForgetsTheNumberThatANewFileMayGet) {
    const int fd = OpenNull();
    Handle handle(fd);
    EXPECT_TRUE(handle.Reset());
    EXPECT_FALSE(IsOpen(fd));
    const int again = OpenNull();
    ASSERT_EQ(again, fd) << "the system did not hand out the lowest free number again";
    EXPECT_TRUE(handle.Reset());
    { Handle dies = std::move(handle); }
    EXPECT_TRUE(IsOpen(again));
    ::close(again);
}

}  // namespace
}  // namespace ostrel::test
