#include "ui/Texts.h"

#include "lang/Encoding.h"
#include "lang/LanguageFile.h"

namespace ostrel::ui {

QString LangText(std::int16_t number) {
    return Displayed(GetLangString(number));
}

QString Displayed(const std::string& bytes) {
    const std::string utf8 = DisplayText(bytes);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string Bytes(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

}  // namespace ostrel::ui
