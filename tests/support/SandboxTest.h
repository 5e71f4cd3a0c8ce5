#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Globals.h"
#include "core/RegistryManager.h"
#include "job/modMain.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgSandbox.h"

namespace ostrel::test {

// What the tests of jobs and of start-up share: a temporary folder for the files they shred, a
// sandboxed account, and the recording host. (Header only: the functions that run Main link
// where the job does.)
class SandboxTest : public ::testing::Test {
  protected:
    // The holding folder below the data folder in use.
    static std::string Holding() { return gDataFolder + "/Safetemp"; }

    // Writes `bytes` to `relative` in the temporary folder; the file's path.
    std::string MakeFile(const std::string& relative, const std::string& bytes) const {
        WriteFile(m_temp / relative, bytes);
        return (m_temp / relative).string();
    }

    // Stores the three settings; nullptr or a negative confirm leaves that value out.
    static void StoreSettings(const char* language, const char* method, int confirm) {
        if (language != nullptr) {
            RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingDefaultLang, language);
        }
        if (method != nullptr) {
            RegSetString(kHkeyCurrentUser, kSettingsKey, kSettingMethod, method);
        }
        if (confirm >= 0) {
            RegSetDword(kHkeyCurrentUser, kSettingsKey, kSettingConfirm, confirm);
        }
    }

    // Runs Main as the executable does; true when it ended the process.
    static bool RunMain(const std::vector<std::string>& paths, Forms& forms) {
        try {
            Main(paths, forms);
        } catch (const EndProcessCalled&) {
            return true;
        }
        return false;
    }

    TempDir m_temp;
    XdgSandbox m_xdg;
    RecordingHost m_host;
};

}  // namespace ostrel::test
