#pragma once

#include <QString>
#include <QWidget>
#include <functional>

namespace ostrel::gallery {

// One page of the gallery: a widget that shows a control in each of its states.
using PageFactory = std::function<QWidget*()>;

// Adds a page; pages are shown (and rendered) in the order of their names.
bool RegisterPage(const QString& name, PageFactory factory);

}  // namespace ostrel::gallery

// Registers `factory` under `name` when the gallery starts; one use per page file.
#define OSTREL_GALLERY_PAGE(ident, name, factory) \
    static const bool ident##Registered = ::ostrel::gallery::RegisterPage(name, factory)
