#pragma once

#include <QString>
#include <QStringList>

// Readable texts for MIDI data values: note names for note numbers and
// controller names for control-change numbers. The tables are plain Qt Core;
// the fillers below are templates so that any combo box with clear() and
// addItems(QStringList) (QComboBox in practice) and any QObject tree can use
// them without this layer linking the widgets module.
namespace MidiNames {

constexpr int ValueCount = 128;              // MIDI data values 0..127
constexpr int MinMiddleCOctave = 3;          // the three namings of note 60
constexpr int DefaultMiddleCOctave = 4;
constexpr int MaxMiddleCOctave = 5;

[[nodiscard]] bool isValidMiddleCOctave(int middleCOctave);

// "C4", "C#-1", "G10": pitch class with sharps only, then the octave; the
// octave of note 60 is middleCOctave. Empty for a note outside 0..127 or an
// octave other than 3, 4 or 5.
[[nodiscard]] QString noteName(int note, int middleCOctave);
// All 128 names in note order; empty for an octave other than 3, 4 or 5.
[[nodiscard]] QStringList noteNames(int middleCOctave);
// The note combo's entries, "60 / C4"; empty for an octave other than 3, 4 or 5.
[[nodiscard]] QStringList noteItems(int middleCOctave);

// "Volume" for 7, "***" for a number without a name; empty outside 0..127.
[[nodiscard]] QString controllerName(int controller);
// "7) Volume", "3) ***"; empty outside 0..127.
[[nodiscard]] QString controllerLabel(int controller);
// All 128 labelled forms, built on first use and kept.
[[nodiscard]] const QStringList &controllerLabels();
// The controller combo's entries: the labelled forms, or the bare numbers.
[[nodiscard]] QStringList controllerItems(bool showNames);

// The text of the filter page's controller box n: the labelled form, or "CC#7".
[[nodiscard]] QString controllerBoxText(int controller, bool showNames);
// The object name of that box: "controller7Box".
[[nodiscard]] QString controllerBoxName(int controller);

// Clears the combo and adds the 128 note items (no item data). An octave
// other than 3, 4 or 5 leaves the combo empty.
template <class Combo>
void fillNoteCombo(Combo *combo, int middleCOctave)
{
    combo->clear();
    combo->addItems(noteItems(middleCOctave));
}

// Clears the combo and adds the 128 controller items (no item data).
template <class Combo>
void fillControllerCombo(Combo *combo, bool showNames)
{
    combo->clear();
    combo->addItems(controllerItems(showNames));
}

// Labels the controller boxes "controller0Box".."controller127Box" found under
// root; a missing box is skipped. Box is the button class, QCheckBox on the
// filter page.
template <class Box, class Root>
void labelControllerBoxes(Root *root, bool showNames)
{
    for (int n = 0; n < ValueCount; ++n) {
        if (Box *box = root->template findChild<Box *>(controllerBoxName(n)))
            box->setText(controllerBoxText(n, showNames));
    }
}

} // namespace MidiNames
