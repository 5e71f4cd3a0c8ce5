#include "core/Host.h"

#include <exception>

#include "core/ConsoleHost.h"

namespace ostrel {
namespace {

Host* g_installed = nullptr;

}  // namespace

Host& CurrentHost() {
    static ConsoleHost console;
    return g_installed ? *g_installed : console;
}

Host* SetCurrentHost(Host* host) {
    Host* previous = g_installed;
    g_installed = host;
    return previous;
}

void DoEventsIgnoringErrors() {
    try {
        CurrentHost().DoEvents();
    } catch (const std::exception&) {
    }
}

}  // namespace ostrel
