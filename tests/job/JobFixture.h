#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>

#include "console/ConsoleForms.h"
#include "job/ShredJob.h"
#include "tests/support/SandboxTest.h"

namespace ostrel::test {

// The sandbox, its account's data folder holding the holding folder, and the console windows
// writing into string streams (standard input is no terminal, so the first-run chooser takes
// English).
class JobTest : public SandboxTest {
  protected:
    JobTest();
    ~JobTest() override;

    Forms& forms() { return m_console.forms(); }
    // How often `text` occurs in `stream`'s output.
    static int Count(const std::ostringstream& stream, const std::string& text);

    std::istringstream m_in;
    std::ostringstream m_out;  // the main window's texts
    std::ostringstream m_err;  // progress and the chooser
    ConsoleForms m_console{m_in, m_out, m_err, false, false};
    // The job the tests run; a test of start-up ends it first (only one job runs at a time).
    std::unique_ptr<ShredJob> m_ownJob = std::make_unique<ShredJob>(m_console.forms());
    ShredJob& m_job = *m_ownJob;
};

}  // namespace ostrel::test
