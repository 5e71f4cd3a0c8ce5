#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shredder/Shredder.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgSandbox.h"

namespace ostrel::test {

// A temporary folder with a private holding folder below its data folder, a sandboxed account
// and a recording host; every substituted facility is restored afterwards.
class ShredderTest : public ::testing::Test {
  protected:
    ShredderTest();
    ~ShredderTest() override;

    // The holding folder, with its trailing separator.
    std::string Holding() const;
    // The names in the holding folder.
    std::vector<std::string> HeldNames() const;
    // Writes `bytes` to `name` in the temporary folder; returns its path.
    std::string MakeFile(const std::string& name, const std::string& bytes) const;
    // Shreds `path` as the job does; `path` becomes the shredder's p_SourceFile afterwards.
    ShredOutcome Shred(const std::string& method, std::string& path, bool renameFlag = true);

    TempDir m_temp;
    XdgSandbox m_xdg;
    RecordingHost m_host;
};

bool AllBytesAre(const std::string& bytes, char value);
bool OnlyAlphabet(const std::string& bytes);
// Sets the immutable attribute (so that even root cannot write, rename or delete the file);
// false where the file system does not support it.
bool SetImmutable(const std::string& path, bool on);

}  // namespace ostrel::test
