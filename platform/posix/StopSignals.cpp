#include "platform/StopSignals.h"

#include <signal.h>

#include <array>

namespace ostrel::platform {
namespace {

constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t g_received = 0;
std::array<struct sigaction, kStopSignals.size()> g_before{};

void OnStopSignal(int) {
    g_received = 1;
}

}  // namespace

StopSignals::StopSignals() {
    g_received = 0;
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        ::sigaction(kStopSignals[i], &action, &g_before[i]);
    }
}

StopSignals::~StopSignals() {
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        ::sigaction(kStopSignals[i], &g_before[i], nullptr);
    }
}

bool StopSignals::Received() const {
    return g_received != 0;
}

}  // namespace ostrel::platform
