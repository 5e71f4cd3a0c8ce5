#pragma once

#include <QString>
#include <cstdint>
#include <string>

namespace ostrel::ui {

// Language string `number` as the windows show it.
QString LangText(std::int16_t number);

// Exact bytes (a path, a stored setting) for display: UTF-8 as it is, anything else read as
// Windows-1252, the encoding of the language files, so that no byte is dropped from view.
QString Displayed(const std::string& bytes);

// The exact bytes a text typed or picked in a window stands for.
std::string Bytes(const QString& text);

}  // namespace ostrel::ui
