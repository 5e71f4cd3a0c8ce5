#pragma once

#include <QString>

namespace ostrel::controls {

// A plain widget that carries this property (a QAccessible::Role, as an int) shows screen
// readers that role instead of the nameless "client" every unknown widget gets.
inline constexpr char kAccessibleRoleProperty[] = "ostrelAccessibleRole";
// A child widget that carries this property (true) is left out of what screen readers see of
// its parent, when the parent carries kAccessibleRoleProperty: a drawing aid, not a control.
inline constexpr char kAccessibleHiddenProperty[] = "ostrelAccessibleHidden";
// The name the maximise button of a title bar has while its window is maximised (set beside
// its accessibleName, which is the name otherwise).
inline constexpr char kRestoreNameProperty[] = "ostrelRestoreName";

// Makes the owner-drawn controls known to screen readers (and other assistive technology),
// each with its role, its name and its default action: the push button and the title bar's
// caption buttons can be pressed, the progress bars tell their value. Call once the application
// exists; later calls do nothing.
void InstallAccessibleInterfaces();

// A caption as a name: "&Options" gives "Options", "&&" gives "&".
QString WithoutAccessMark(const QString& caption);

}  // namespace ostrel::controls
