#pragma once

#include "mapping/mappingblocks.h"
#include "mapping/mappingrule.h"
// For its metatype of Mapping::SysExRow::Kind, which a signal here carries.
#include "mapping/sysexmappingeditor.h"

#include <QByteArray>
#include <QGroupBox>
#include <QString>

#include <cstdint>

class PlaceholderComboBox;
class Prompt;
class QStackedWidget;
class StandardMappingEditor;

// One side of a rule on the mapping page, the original message or the
// mapped one: a stacked editor with the standard editor, the SysEx editor and
// a placeholder page that offers the types before anything is chosen. The
// page holds two and treats them alike; where the sides differ (the mapped
// side offers no "Ignore" rows, its fields follow their sources) the editors
// know their side.
//
// The two editors are made when first needed: when the side is first shown,
// when a type is chosen or a stored side is shown, or when someone asks for
// them. Until then the side stands on its placeholder page, as a fresh side
// does, and only remembers the naming and the prompt they are to get.
class MappingSidePanel : public QGroupBox
{
    Q_OBJECT

public:
    enum class Side { Original, Mapped };
    // Pages of the stacked editor.
    enum Page { StandardPage = 0, SysExPage = 1, PlaceholderPage = 2 };

    explicit MappingSidePanel(Side side, QWidget *parent = nullptr);

    [[nodiscard]] Side side() const { return m_side; }
    [[nodiscard]] QStackedWidget *stack() const { return m_stack; }
    // Both make the editors if they are not made yet.
    [[nodiscard]] StandardMappingEditor *editor() const;
    [[nodiscard]] SysExMappingEditor *sysEx() const;
    [[nodiscard]] bool hasEditors() const { return m_editor != nullptr; }
    [[nodiscard]] PlaceholderComboBox *placeholderCombo() const { return m_placeholderCombo; }

    [[nodiscard]] int page() const;
    void showPage(int page);
    [[nodiscard]] bool isChosen() const { return page() != PlaceholderPage; }

    // Whether the message the side shows has a Data1 / Data2 (a field of the
    // standard editor or a row of the SysEx table).
    [[nodiscard]] bool hasData1() const;
    [[nodiscard]] bool hasData2() const;
    // Where lines to and from the Data fields end, and the widget that clips
    // them (a SysEx table's viewport; none for the standard fields).
    [[nodiscard]] QWidget *data1End() const;
    [[nodiscard]] QWidget *data2End() const;
    [[nodiscard]] QWidget *endClip() const;

    // The side as "send" puts it on the wire.
    [[nodiscard]] MappingSide ruleSide() const;

    // Placeholder page, "Select", first type, default SysEx rows.
    void reset();
    // A stored side: its swapped type code, its channel byte, its block and,
    // for a SysEx side, the positions that name its Data rows.
    void showStored(std::uint8_t type, std::uint8_t channel, const QByteArray &block,
                    const Mapping::DataPositions &positions);

    void setPrompt(Prompt *prompt);
    void applyNaming(int middleCOctave, bool showCCName);

signals:
    // The user chose a type: in the standard editor, on the placeholder page
    // or in the SysEx page's own type list. The editor already shows it.
    void typeChosen(const QString &typeName);
    // The editors' own signals, passed on so that the page and its line
    // overlay can listen before the editors are made.
    void fieldsChanged();
    // The user chose a channel or a Data range in the standard editor.
    void fieldActivated();
    void sysExRowsChanged();
    void sysExRowValuesEdited();
    void sysExScrolled(int value);
    void sysExDataRowRemoved(Mapping::SysExRow::Kind kind);
    // The editors now exist, in their start state.
    void editorsMade();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void onPlaceholderChosen(int index);
    // Makes the editors unless they exist.
    void makeEditors();
    void placeInTabOrder();

    const Side m_side;
    QStackedWidget *const m_stack;
    PlaceholderComboBox *m_placeholderCombo = nullptr;
    StandardMappingEditor *m_editor = nullptr;
    SysExMappingEditor *m_sysEx = nullptr;
    Prompt *m_prompt = nullptr;
    bool m_namingSet = false;
    int m_middleCOctave = 0;
    bool m_showCCName = false;
};
