#include "controls/Colors.h"

#include <QApplication>
#include <cmath>

namespace ostrel::controls {
namespace {

// Windows system colour indexes and the palette roles that stand in for them.
bool RoleOfSystemColor(int index, QPalette::ColorGroup& group, QPalette::ColorRole& role) {
    group = QPalette::Active;
    switch (index) {
        case 1:   // desktop
        case 15:  // button face
        case 22:  // 3-D light
        case 25:  // (unused slot kept as face)
            role = QPalette::Button;
            return true;
        case 2:   // active caption
        case 13:  // highlight
            role = QPalette::Highlight;
            return true;
        case 3:  // inactive caption
            group = QPalette::Inactive;
            role = QPalette::Highlight;
            return true;
        case 4:  // menu
        case 5:  // window
            role = QPalette::Base;
            return true;
        case 6:   // window frame
        case 21:  // 3-D dark shadow
            role = QPalette::Shadow;
            return true;
        case 7:  // menu text
        case 8:  // window text
            role = QPalette::Text;
            return true;
        case 9:   // caption text
        case 14:  // highlighted text
            role = QPalette::HighlightedText;
            return true;
        case 10:  // active border
        case 11:  // inactive border
        case 12:  // application workspace
            role = QPalette::Window;
            return true;
        case 16:  // button shadow
            role = QPalette::Dark;
            return true;
        case 17:  // grey text
            group = QPalette::Disabled;
            role = QPalette::Text;
            return true;
        case 18:  // button text
            role = QPalette::ButtonText;
            return true;
        case 19:  // inactive caption text
            group = QPalette::Inactive;
            role = QPalette::HighlightedText;
            return true;
        case 20:  // button highlight
            role = QPalette::Light;
            return true;
        case 23:  // tooltip text
            role = QPalette::ToolTipText;
            return true;
        case 24:  // tooltip background
            role = QPalette::ToolTipBase;
            return true;
        default:
            return false;
    }
}

}  // namespace

OleColor TranslateColor(OleColor color, const QPalette& palette) {
    if ((color & 0xFF000000u) == 0) {
        return color;
    }
    if ((color & 0xFF000000u) != kSystemColorFlag) {
        return 0;
    }
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
    if (!RoleOfSystemColor(static_cast<int>(color & 0xFFFFu), group, role)) {
        return 0;
    }
    return FromQColor(palette.color(group, role));
}

OleColor TranslateColor(OleColor color) {
    return TranslateColor(color, QApplication::palette());
}

QColor ToQColor(OleColor rgb) {
    return QColor(static_cast<int>(rgb & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>((rgb >> 16) & 0xFF));
}

OleColor FromQColor(const QColor& color) {
    return RGB(color.red(), color.green(), color.blue());
}

int RoundHalfEven(double value) {
    return static_cast<int>(std::nearbyint(value));  // the default rounding mode: to even
}

}  // namespace ostrel::controls
