#pragma once

#include <memory>
#include <string>

namespace ostrel::platform {

// What the environment names as the graphical display, and whether it answers.
struct DisplayProbe {
    // The name the environment gives ($WAYLAND_DISPLAY or $DISPLAY, the one that was tried
    // last); empty when neither is set.
    std::string name;
    // The window system that accepted a connection; None when none did.
    enum class Kind { None, X11, Wayland } reachable = Kind::None;
    // The probe's own connection, kept open while this is held. A server started by hand resets
    // when its last client leaves and refuses connections for that moment: holding this until
    // the toolkit has connected keeps it from doing so in between.
    std::shared_ptr<void> connection;
};

// Connects to the display the environment names, and disconnects once the probe's `connection`
// is let go: X11 through $DISPLAY
// (with $XAUTHORITY, as a toolkit would), then Wayland through $WAYLAND_DISPLAY. The client
// libraries are loaded only for the probe, so a machine without them simply has no display.
DisplayProbe ProbeDisplay();

}  // namespace ostrel::platform
