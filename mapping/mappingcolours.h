#pragma once

#include <QString>

// The colours that tie a mapped field to the original field feeding it.
namespace MappingColours {

inline const QString Data1 = QStringLiteral("rgb(255, 221, 87)");   // yellow: Original Data1
inline const QString Data2 = QStringLiteral("rgb(134, 214, 134)");  // green: Original Data2
inline const QString Unused = QStringLiteral("rgb(230, 230, 230)"); // no source / not usable

// The fields are light whatever the palette, so their text is dark: the
// palette's text colour would be light on a dark desktop and vanish.

// A mapped standard field, with %1 its colour.
inline const QString MappedFieldStyle = QStringLiteral(
    "QWidget {    background-color: %1;    border-radius: 15px;  /* 设置边角圆弧的半径 */    color: black;}"
    "QComboBox {    background-color: rgb(230, 230, 230);    border-radius: 15px;    border: 1px solid gray;  "
    "/* 设置边框 */}");

// A SysEx Data row's widget, with %1 its colour.
inline const QString DataRowStyle = QStringLiteral(
    "QWidget { background-color: %1; border: 0px solid black; color: black; }"
    "QLabel { border: none; background: transparent; }"
    "QSpinBox { border: 0px solid gray; background-color: white; }");

} // namespace MappingColours
