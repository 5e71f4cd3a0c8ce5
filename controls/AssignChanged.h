#pragma once

#include <utility>

namespace ostrel::controls {

// Stores `value` in `field` when the two differ and says whether it did. Setters return at once
// on false: a value that did not change neither notifies the form nor repaints.
template <typename T, typename U>
bool AssignChanged(T& field, U&& value) {
    if (field == value) {
        return false;
    }
    field = std::forward<U>(value);
    return true;
}

}  // namespace ostrel::controls
