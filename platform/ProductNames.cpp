#include "platform/ProductNames.h"

#include <utility>

namespace ostrel::platform {
namespace {

ProductNames& Names() {
    static ProductNames names;
    return names;
}

}  // namespace

void SetProductNames(ProductNames names) {
    Names() = std::move(names);
}

const ProductNames& GetProductNames() {
    return Names();
}

}  // namespace ostrel::platform
