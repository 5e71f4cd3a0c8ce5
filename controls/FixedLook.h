#pragma once

class QApplication;

namespace ostrel::controls {

// The family every Windows face the designs name is drawn with.
inline constexpr char kFixedFontFamily[] = "DejaVu Sans";

// Gives the application the look the designs assume on every desktop: the Fusion style with its
// standard light palette, and the Windows faces (Tahoma, Segoe UI, MS Sans Serif, Arial) mapped to
// one family that the package depends on. Call once after the QApplication exists.
void ApplyFixedLook(QApplication& app);

}  // namespace ostrel::controls
