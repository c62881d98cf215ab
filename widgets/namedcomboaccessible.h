#pragma once

// Combo boxes heard by what they are. Qt 5 on Linux reports a combo box's
// current value as its name (a "1" or "0 / C-1" instead of "Mapping Number");
// once installed, a combo box with an accessible name reports that name, and
// its current text stays its value.
namespace NamedComboAccessible {
void install();
}
