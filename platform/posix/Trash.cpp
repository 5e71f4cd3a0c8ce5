#include "platform/Trash.h"

#include <gio/gio.h>

namespace ostrel::platform {

bool MoveToTrash(const std::string& path, std::string* error) {
    GFile* file = g_file_new_for_path(path.c_str());
    GError* failure = nullptr;
    gboolean moved = g_file_trash(file, nullptr, &failure);
    if (!moved && error != nullptr) {
        *error = failure != nullptr ? failure->message : "";
    }
    if (failure != nullptr) {
        g_error_free(failure);
    }
    g_object_unref(file);
    return moved != FALSE;
}

}  // namespace ostrel::platform
