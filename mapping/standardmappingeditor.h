#pragma once

#include "mapping/mappingblocks.h"
#include "mapping/mappingrule.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <cstdint>

class QComboBox;
class QLabel;

// One side (original or mapped) of a rule whose message is an ordinary MIDI
// message: its type, channel and the Data1/Data2 ranges. The mapping page
// holds two of them, as page 0 of each side's stacked editor.
class StandardMappingEditor : public QWidget
{
    Q_OBJECT

public:
    enum class Side { Original, Mapped };

    static const QString AllChannels; // "All"

    explicit StandardMappingEditor(Side side, QWidget *parent = nullptr);

    [[nodiscard]] Side side() const { return m_side; }
    [[nodiscard]] QComboBox *statusCombo() const { return m_status; }
    [[nodiscard]] QComboBox *channelCombo() const { return m_channel; }
    [[nodiscard]] QComboBox *data1MinCombo() const { return m_data1Min; }
    [[nodiscard]] QComboBox *data1MaxCombo() const { return m_data1Max; }
    [[nodiscard]] QComboBox *data2MinCombo() const { return m_data2Min; }
    [[nodiscard]] QComboBox *data2MaxCombo() const { return m_data2Max; }
    // The Data1 and Data2 fields, where the line overlay starts and ends.
    [[nodiscard]] QWidget *data1Field() const { return m_data1Field; }
    [[nodiscard]] QWidget *data2Field() const { return m_data2Field; }
    [[nodiscard]] QLabel *data1Title() const { return m_data1Title; }
    [[nodiscard]] QLabel *data2Title() const { return m_data2Title; }

    [[nodiscard]] QString typeName() const;
    [[nodiscard]] QString channelText() const;
    [[nodiscard]] Mapping::DataRanges ranges() const;
    // Type, channel and ranges as a rule side (never SysEx).
    [[nodiscard]] MappingSide ruleSide() const;
    // Whether the chosen type carries a Data1 / Data2 byte.
    [[nodiscard]] bool hasData1() const;
    [[nodiscard]] bool hasData2() const;

    // Selects the type without typeChosen (fieldsChanged still follows); the
    // value lists and ranges follow the type as after a user's choice.
    void selectType(int index);
    void selectType(const QString &typeName);
    // The channel byte: 17 is "All", 1..16 the channel; anything else is refused
    // (false) and the combo keeps its item.
    bool setChannelByte(std::uint8_t channel);
    // Bytes 1.. of a standard block: Data1 min/max, then Data2 min/max. Only
    // the pairs the block holds in full are taken, and only values 0..127.
    void setRangesFromBlock(const QByteArray &block);
    void setRanges(const Mapping::DataRanges &ranges);
    // The start state: first type, channel "1", full ranges.
    void reset();

    // Middle C naming and controller names of the Data1 lists.
    void applyNaming(int middleCOctave, bool showCCName);

    // The titles above the Data fields for a type, 11 characters each
    // (empty: the type sets no title there).
    struct FieldTitles
    {
        QString data1;
        QString data2;
    };
    [[nodiscard]] static FieldTitles titlesForType(const QString &typeName);
    static const QString NotUsedTitle; // "Not Used"

    // A field's background (the mapped side's follows its source).
    void setFieldColour(QWidget *field, const QString &colour);
    [[nodiscard]] QString fieldColour(const QWidget *field) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    // The user chose a type in the status combo.
    void typeChosen(const QString &typeName);
    // The type changed, by the user or by selectType: the Data fields, their
    // titles and which of them exist follow it.
    void fieldsChanged();

private:
    void onStatusIndexChanged();
    void fillData1Lists();
    void setFullRanges();
    void updateFields();

    const Side m_side;
    QComboBox *const m_status;
    QComboBox *const m_channel;
    QComboBox *const m_data1Min;
    QComboBox *const m_data1Max;
    QComboBox *const m_data2Min;
    QComboBox *const m_data2Max;
    QWidget *m_data1Field = nullptr;
    QWidget *m_data2Field = nullptr;
    QLabel *m_data1Title = nullptr;
    QLabel *m_data2Title = nullptr;
    int m_middleCOctave = 4;
    bool m_showCCName = true;
    bool m_selecting = false;
};
