#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/FileSystem.h"
#include "platform/Folder.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {
namespace {

namespace fs = std::filesystem;

struct WritableRow {
    const char* what;
    const char* entry;     // the name asked for
    const char* expected;  // the file whose identity is expected
    int error;
};

// A write-protected file is made writable only while the name still leads to the file expected.
TEST(FolderTest, MakeOwnerWritableChangesOnlyTheExpectedFile) {
    const WritableRow rows[] = {
        {"the expected file", "protected", "protected", 0},
        {"another file under the name", "other", "protected", EPERM},
        {"a link to the expected file", "link", "protected", EPERM},
    };
    for (const WritableRow& row : rows) {
        SCOPED_TRACE(row.what);
        const TempDir temp;
        for (const char* name : {"protected", "other"}) {
            WriteFile(temp / name, name);
            fs::permissions(temp / name, fs::perms::owner_read, fs::perm_options::replace);
        }
        fs::create_symlink(temp / "protected", temp / "link");
        const platform::Folder folder = platform::Folder::Open(temp.str());
        const platform::FileIdentity expected =
            platform::StatPath((temp / row.expected).string())->id;

        const int error = folder.MakeOwnerWritable(row.entry, expected);

        EXPECT_EQ(error, row.error);
        for (const char* name : {"protected", "other"}) {
            const bool changed = error == 0 && std::string(name) == row.entry;
            EXPECT_EQ(
                fs::status(temp / name).permissions(),
                changed ? fs::perms::owner_read | fs::perms::owner_write : fs::perms::owner_read)
                << name;
        }
    }
}

}  // namespace
}  // namespace ostrel::test
