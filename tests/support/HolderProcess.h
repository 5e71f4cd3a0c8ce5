#pragma once

#include <string>

namespace ostrel::test {

// Another process that holds a file open (Hold::Flock: with an exclusive flock; Hold::Run: runs
// it as its program) until this object dies, as another program would.
class HolderProcess {
  public:
    enum class Hold { Open, Flock, Run };
    HolderProcess(const std::string& path, Hold how);
    ~HolderProcess();
    HolderProcess(const HolderProcess&) = delete;
    HolderProcess& operator=(const HolderProcess&) = delete;

    // True once the child has the file open (and locked).
    bool Holding() const { return m_holding; }
    // The other process's id (to stop it, say).
    int Pid() const { return m_pid; }

  private:
    int m_pid = -1;
    int m_release = -1;  // closing it lets the child exit
    bool m_running = false;
    bool m_holding = false;
};

}  // namespace ostrel::test
