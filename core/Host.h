#pragma once

#include <string>

#include "core/Report.h"

namespace ostrel {

// Message box styles and answers, with the values the callers use.
enum MsgBoxStyle : int { kMsgOkOnly = 0, kMsgYesNo = 4, kMsgCritical = 16 };
enum MsgBoxAnswer : int { kAnswerOk = 1, kAnswerYes = 6, kAnswerNo = 7 };

// The application's own title: what a message box shows when no title is given.
inline constexpr const char* kApplicationTitle = "Ostrel";

// A job as the windows see it while it runs: they may ask it to stop.
class RunningJob {
  public:
    // Asks the job to stop at its next safe point; returns at once.
    virtual void RequestStop() = 0;

  protected:
    ~RunningJob() = default;
};

// What the core needs from the environment it runs in: the Qt GUI, the console, or a test.
// Everything runs on one thread; DoEvents is the only place where other work (repaints,
// timers) may run in the middle of a job.
class Host {
  public:
    virtual ~Host() = default;

    // Lets pending events run, then returns. Called after every written block, so it must
    // return at once when nothing is due.
    virtual void DoEvents() = 0;

    // Shows `text` with `style` (a MsgBoxStyle) and `title`; returns the answer (MsgBoxAnswer).
    virtual int MsgBox(const std::string& text, int style, const std::string& title) = 0;

    // Shows the report of a job. Unless a host lays it out itself, a message box with OK shows
    // report.Text() under report.title.
    virtual void ShowReport(const Report& report) {
        MsgBox(report.Text(), kMsgOkOnly, report.title);
    }

    // The folder that holds the language files and the other data files, as exact bytes,
    // without a trailing separator.
    virtual std::string ProgramFolder() = 0;

    // Ends the process at once; no further events run.
    [[noreturn]] virtual void EndProcess(int exitCode) = 0;

    // One job runs at a time on a host: a job started while another runs (from an event handled
    // during that job's DoEvents) must do nothing. BeginJob registers `job` as the running one
    // and returns true, or returns false, registering nothing, while another runs; EndJob
    // unregisters it (a job that was never registered changes nothing).
    bool BeginJob(RunningJob& job);
    void EndJob(const RunningJob& job);
    // True while a job runs on this host.
    bool JobRunning() const { return m_job != nullptr; }
    // Asks the running job, if any, to stop.
    void StopJob();

  private:
    RunningJob* m_job = nullptr;
};

// The host in use. Until SetCurrentHost installs one, a silent host that shows nothing and
// answers No.
Host& CurrentHost();

// Lets pending events run through the current host; an error raised while they run is ignored
// (for routines that skip a failing statement and go on).
void DoEventsIgnoringErrors();

// Installs `host` for every later CurrentHost() call (nullptr: back to the silent host).
// Returns the host that was installed before.
Host* SetCurrentHost(Host* host);

}  // namespace ostrel
