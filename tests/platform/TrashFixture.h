#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/FaultInjection.h"
#include "platform/Folder.h"
#include "platform/Trash.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace ostrel::test {

namespace fs = std::filesystem;
using platform::TrashProblem;

// A temporary folder with its own data folder (the home trash lies below it).
class TrashTest : public ::testing::Test {
  protected:
    ~TrashTest() override { platform::ClearFaults(); }

    fs::path Trash() const { return m_temp / "data/Trash"; }

    // Moves `path` to the trash through its folder, as the job does.
    static platform::TrashResult Move(const fs::path& path) {
        const platform::Folder folder = platform::Folder::Open(path.parent_path().string());
        const auto status = folder.Stat(path.filename().string());
        return platform::MoveToTrash(folder, path.filename().string(),
                                     status ? status->id : platform::FileIdentity{}, path.string());
    }

    static std::vector<std::string> Names(const fs::path& folder) {
        std::vector<std::string> names;
        if (fs::is_directory(folder)) {
            for (const auto& entry : fs::directory_iterator(folder)) {
                names.push_back(entry.path().filename().string());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    static std::string Now() {
        const std::time_t now = std::time(nullptr);
        char text[32];
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", std::localtime(&now));
        return text;
    }

    TempDir m_temp;
    ScopedEnv m_data{"XDG_DATA_HOME", (m_temp / "data").string()};
};

}  // namespace ostrel::test
