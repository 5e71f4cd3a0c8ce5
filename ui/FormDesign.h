#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QWidget>

namespace ostrel::ui {

// A form's stored design is a JSON document compiled into the program (":/forms/NAME.json"):
//
//   { "Caption": window title, "Width"/"Height": inner size in twips, "BorderStyle": 0 for a
//     frameless window (its title bar is a control), 1 for an ordinary window of fixed size,
//     "BackColor", "Font": the form's font (a font map, as in controls/BagValues.h),
//     "Controls": [ { "Name", "Class", "Container": the control it lies in (default the form),
//                     "Left"/"Top"/"Width"/"Height" in twips of its container,
//                     "Properties": the control's property bag }, ... ] }
//
// Owner-drawn controls read their bag themselves (ReadProperties). The standard kinds read
// theirs here: "Label" (Caption, Font, ForeColor, Alignment 0 left / 1 right / 2 centre,
// WordWrap), "ComboBox" (Style 0 editable / 2 list only, List, Text, Locked, Enabled, Font),
// "CheckBox" (Caption, Value, Font), "Frame" (Caption, Font), "PictureBox" (Artwork or
// Picture) and "AniGif" (no properties).

// The design `name`; an empty object when the program holds no such design.
QJsonObject FormDesign(const QString& name);

// Gives `form` the window settings of design `name` and creates its controls, each named as
// in the design. Returns the controls in design order. A control of an unknown class is left
// out.
QList<QWidget*> BuildForm(QWidget& form, const QString& name);

}  // namespace ostrel::ui
