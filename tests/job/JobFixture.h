#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "console/ConsoleForms.h"
#include "job/ShredJob.h"
#include "tests/support/RecordingHost.h"
#include "tests/support/TempDir.h"
#include "tests/support/XdgSandbox.h"

namespace ostrel::test {

// A temporary folder, a sandboxed account whose data folder holds the holding folder, the
// recording host, and the console windows writing into string streams (standard input is no
// terminal, so the first-run chooser takes English).
class JobTest : public ::testing::Test {
  protected:
    JobTest();
    ~JobTest() override;

    Forms& forms() { return m_console.forms(); }
    std::string Holding() const;
    std::string MakeFile(const std::string& relative, const std::string& bytes) const;
    // How often `text` occurs in `stream`'s output.
    static int Count(const std::ostringstream& stream, const std::string& text);

    TempDir m_temp;
    XdgSandbox m_xdg;
    RecordingHost m_host;
    std::istringstream m_in;
    std::ostringstream m_out;  // the main window's texts
    std::ostringstream m_err;  // progress and the chooser
    ConsoleForms m_console{m_in, m_out, m_err, false, false};
    // The job the tests run; a test of start-up ends it first (only one job runs at a time).
    std::unique_ptr<ShredJob> m_ownJob = std::make_unique<ShredJob>(m_console.forms());
    ShredJob& m_job = *m_ownJob;
};

}  // namespace ostrel::test
