#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "core/Globals.h"
#include "platform/Clock.h"
#include "platform/FaultInjection.h"
#include "platform/InProgressList.h"
#include "platform/OsVersion.h"
#include "platform/PendingDeletions.h"
#include "shredder/Shredder.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgSandbox.h"

namespace ostrel::test {

namespace fs = std::filesystem;

// Names a parameterised test after the first element of its row, a tuple (of string views and
// values, so that its printed form holds no addresses).
inline constexpr auto kRowName = [](const auto& info) {
    return std::string(std::get<0>(info.param));
};

// Contents that can be found on a raw disk image, and found nowhere once they are gone.
inline std::string Marker(std::size_t size) {
    std::string marker;
    while (marker.size() < size) {
        marker += "<OSTREL-MARKER-" + std::to_string(marker.size()) + ">";
    }
    return marker;
}

// A temporary folder with a private holding folder below its data folder, a sandboxed account
// and a recording host; every substituted facility is restored afterwards.
class ShredderTest : public ::testing::Test {
  protected:
    ShredderTest() {
        gDataFolder = m_temp.str() + "/data";
        fs::create_directories(Holding());
        fs::permissions(Holding(), fs::perms::owner_all);
    }
    ~ShredderTest() override {
        platform::ClearFaults();
        platform::SetClockSource({});
        platform::SetVersionSource({});
        platform::SetBootIdSource({});
        gDataFolder.clear();
    }

    std::string Holding() const { return gDataFolder + "/Safetemp/"; }
    std::vector<std::string> HeldNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Holding())) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
    std::string MakeFile(const std::string& name, const std::string& bytes) const {
        WriteFile(m_temp / name, bytes);
        return (m_temp / name).string();
    }
    // Shreds `path` as the job does; `path` becomes the file's last path afterwards.
    ShredOutcome Shred(const std::string& method, std::string& path, bool renameFlag = true) {
        ShredRequest request;
        request.p_ShredMethod = method;
        request.p_SourceFile = path;
        request.RenameFlag = renameFlag;
        clsShredder shredder;
        shredder.DetermineShredMethod(request);
        path = ShredResultOf(shredder).lastPath;
        return ShredOutcomeOf(shredder);
    }

    // Calls `act` with the held file's path once, as soon as pass 1 (zeros) is done.
    void AfterFirstPass(std::function<void(const std::string&)> act) {
        m_host.onDoEvents = [this, act, done = false]() mutable {
            const auto held = HeldNames();
            if (!done && !held.empty() && ReadFile(Holding() + held[0])[0] == '\0') {
                done = true;
                act(Holding() + held[0]);
            }
        };
    }

    TempDir m_temp;
    XdgSandbox m_xdg;
    RecordingHost m_host;
};

}  // namespace ostrel::test
