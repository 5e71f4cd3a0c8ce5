#include "platform/Display.h"

#include <dlfcn.h>

#include <cstdlib>
#include <memory>
#include <utility>

namespace ostrel::platform {
namespace {

// A shared library opened for one probe and closed again.
class Library {
  public:
    explicit Library(const char* soname) : m_handle(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}
    ~Library() {
        if (m_handle != nullptr) {
            ::dlclose(m_handle);
        }
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    template <typename Function>
    Function* Symbol(const char* name) const {
        return m_handle == nullptr ? nullptr : reinterpret_cast<Function*>(::dlsym(m_handle, name));
    }

  private:
    void* m_handle;
};

// A connection to a display with what closes it; the library stays loaded as long as it is open.
std::shared_ptr<void> Hold(std::shared_ptr<Library> library, void* connection,
                           void (*disconnect)(void*)) {
    return std::shared_ptr<void>(connection,
                                 [library, disconnect](void* open) { disconnect(open); });
}

std::shared_ptr<void> X11Connection() {
    auto xcb = std::make_shared<Library>("libxcb.so.1");
    using Connect = void*(const char*, int*);
    using HasError = int(void*);
    using Disconnect = void(void*);
    auto* connect = xcb->Symbol<Connect>("xcb_connect");
    auto* hasError = xcb->Symbol<HasError>("xcb_connection_has_error");
    auto* disconnect = xcb->Symbol<Disconnect>("xcb_disconnect");
    if (connect == nullptr || hasError == nullptr || disconnect == nullptr) {
        return nullptr;
    }
    // xcb_connect never returns null: a failed connection is an object in an error state,
    // which must be released all the same.
    void* connection = connect(nullptr, nullptr);
    if (connection == nullptr) {
        return nullptr;
    }
    if (hasError(connection) != 0) {
        disconnect(connection);
        return nullptr;
    }
    return Hold(std::move(xcb), connection, disconnect);
}

std::shared_ptr<void> WaylandConnection() {
    auto wayland = std::make_shared<Library>("libwayland-client.so.0");
    using Connect = void*(const char*);
    using Disconnect = void(void*);
    auto* connect = wayland->Symbol<Connect>("wl_display_connect");
    auto* disconnect = wayland->Symbol<Disconnect>("wl_display_disconnect");
    if (connect == nullptr || disconnect == nullptr) {
        return nullptr;
    }
    void* display = connect(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    return Hold(std::move(wayland), display, disconnect);
}

const char* NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

DisplayProbe ProbeDisplay() {
    DisplayProbe probe;
    if (const char* x11 = NonEmptyEnv("DISPLAY")) {
        probe.name = x11;
        if ((probe.connection = X11Connection())) {
            probe.reachable = DisplayProbe::Kind::X11;
            return probe;
        }
    }
    if (const char* wayland = NonEmptyEnv("WAYLAND_DISPLAY")) {
        probe.name = wayland;
        if ((probe.connection = WaylandConnection())) {
            probe.reachable = DisplayProbe::Kind::Wayland;
        }
    }
    return probe;
}

}  // namespace ostrel::platform
