#include "widgets/midinames.h"

#include <array>

namespace MidiNames {

namespace {

constexpr int NotesPerOctave = 12;
// Note 0 lies five octaves below middle C whatever middle C is called.
constexpr int OctavesBelowMiddleC = 5;

const std::array<const char *, NotesPerOctave> &pitchClasses()
{
    static const std::array<const char *, NotesPerOctave> names = {
        "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    return names;
}

const char *const Unnamed = "***";

const std::array<const char *, ValueCount> &controllerTable()
{
    static const std::array<const char *, ValueCount> table = [] {
        std::array<const char *, ValueCount> names;
        names.fill(Unnamed);
        names[0] = "Bank MSB";
        names[1] = "Modulation";
        names[2] = "Breath";
        names[4] = "Foot Controller";
        names[5] = "Portamento Time";
        names[6] = "Data Entry MSB";
        names[7] = "Volume";
        names[8] = "Balance";
        names[10] = "PAN";
        names[11] = "Expression";
        names[32] = "Bank LSB";
        names[38] = "Data Entry LSB";
        names[64] = "Pedal (Sustain)";
        names[65] = "Portamento";
        names[66] = "Pedal-Sostenuto";
        names[67] = "Pedal-Soft";
        names[69] = "Hold 2";
        names[71] = "Harmonic Content";
        names[72] = "Release Time";
        names[73] = "Attack Time";
        names[74] = "Brightness";
        names[84] = "Portamento Ctrl";
        names[91] = "Reverb Depth";
        names[92] = "Tremolo Depth";
        names[93] = "Chorus Depth";
        names[94] = "Celeste Depth";
        names[95] = "Phaser Depth";
        names[96] = "Data Increment";
        names[97] = "Data Decrement";
        names[98] = "NRPN LSB";
        names[99] = "NRPN MSB";
        names[100] = "RPN LSB";
        names[101] = "RPN MSB";
        names[120] = "All Sound Off";
        names[121] = "Reset Cntrl";
        names[122] = "Local Cntrl";
        names[123] = "All Notes Off";
        names[124] = "Omni Off";
        names[125] = "Omni On";
        names[126] = "Mono On";
        names[127] = "Poly On";
        return names;
    }();
    return table;
}

bool isValue(int n)
{
    return n >= 0 && n < ValueCount;
}

} // namespace

bool isValidMiddleCOctave(int middleCOctave)
{
    return middleCOctave >= MinMiddleCOctave && middleCOctave <= MaxMiddleCOctave;
}

QString noteName(int note, int middleCOctave)
{
    if (!isValue(note) || !isValidMiddleCOctave(middleCOctave))
        return {};
    const int octave = note / NotesPerOctave + middleCOctave - OctavesBelowMiddleC;
    return QLatin1String(pitchClasses()[note % NotesPerOctave]) + QString::number(octave);
}

QStringList noteNames(int middleCOctave)
{
    QStringList names;
    if (!isValidMiddleCOctave(middleCOctave))
        return names;
    names.reserve(ValueCount);
    for (int n = 0; n < ValueCount; ++n)
        names.append(noteName(n, middleCOctave));
    return names;
}

QStringList noteItems(int middleCOctave)
{
    QStringList items = noteNames(middleCOctave);
    for (int n = 0; n < items.size(); ++n)
        items[n] = QStringLiteral("%1 / %2").arg(n).arg(items.at(n));
    return items;
}

QString controllerName(int controller)
{
    if (!isValue(controller))
        return {};
    return QLatin1String(controllerTable()[controller]);
}

QString controllerLabel(int controller)
{
    if (!isValue(controller))
        return {};
    return controllerLabels().at(controller);
}

const QStringList &controllerLabels()
{
    static const QStringList labels = [] {
        QStringList result;
        result.reserve(ValueCount);
        for (int n = 0; n < ValueCount; ++n)
            result.append(QString::number(n) + QStringLiteral(") ") + controllerName(n));
        return result;
    }();
    return labels;
}

QStringList controllerItems(bool showNames)
{
    if (showNames)
        return controllerLabels();
    QStringList numbers;
    numbers.reserve(ValueCount);
    for (int n = 0; n < ValueCount; ++n)
        numbers.append(QString::number(n));
    return numbers;
}

QString controllerBoxText(int controller, bool showNames)
{
    if (!isValue(controller))
        return {};
    return showNames ? controllerLabel(controller) : QStringLiteral("CC#%1").arg(controller);
}

QString controllerBoxName(int controller)
{
    return QStringLiteral("controller%1Box").arg(controller);
}

} // namespace MidiNames
