#pragma once

namespace ostrel::platform {

// While an object of this class lives, the signals that ask a program to end (an interrupt from
// the terminal, a termination request, a hang-up) no longer end the process at once: Received()
// says one came, so that work which must be undone first (a disk filled on purpose) stops in
// order. The earlier handling comes back when the object dies. One at a time.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    bool Received() const;
};

}  // namespace ostrel::platform
