#include "mapping/standardmappingeditor.h"

#include "device/vocabulary.h"
#include "mapping/mappingcolours.h"
#include "mapping/mappinglogging.h"
#include "mapping/mappingprotocol.h"
#include "mapping/statusbytes.h"
#include "widgets/midinames.h"

#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

const QString StandardMappingEditor::AllChannels = QStringLiteral("All");
const QString StandardMappingEditor::NotUsedTitle = QStringLiteral("Not Used");

namespace {

const QString ControlChange = QStringLiteral("Control Change(CC)");
constexpr int MaxValue = 127;

QComboBox *makeCombo(QWidget *parent, const QString &objectName, const QString &accessibleName)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(objectName);
    combo->setAccessibleName(accessibleName);
    return combo;
}

void fillNumbers(QComboBox *combo)
{
    QStringList numbers;
    for (int v = 0; v <= MaxValue; ++v)
        numbers.append(QString::number(v));
    combo->clear();
    combo->addItems(numbers);
}

std::uint8_t typeCode(const QString &typeName)
{
    return static_cast<std::uint8_t>(Vocabulary::mappingTypeCodes().value(typeName));
}

bool isDataValue(char byte)
{
    return static_cast<std::uint8_t>(byte) <= MaxValue;
}

} // namespace

StandardMappingEditor::StandardMappingEditor(Side side, QWidget *parent)
    : QWidget(parent)
    , m_side(side)
    , m_status(makeCombo(this, side == Side::Original ? "originalStatusCombo" : "mappedStatusCombo",
                         side == Side::Original ? "Original MIDI Status" : "Mapping MIDI Status"))
    , m_channel(makeCombo(this, side == Side::Original ? "originalChannelCombo" : "mappedChannelCombo",
                          side == Side::Original ? "Original MIDI Channel" : "Mapping MIDI Channel"))
    , m_data1Min(makeCombo(this, side == Side::Original ? "originalData1MinCombo" : "mappedData1MinCombo",
                           side == Side::Original ? "Original Data1 Min" : "Mapping Data1 Min"))
    , m_data1Max(makeCombo(this, side == Side::Original ? "originalData1MaxCombo" : "mappedData1MaxCombo",
                           side == Side::Original ? "Original Data1 Max" : "Mapping Data1 Max"))
    , m_data2Min(makeCombo(this, side == Side::Original ? "originalData2MinCombo" : "mappedData2MinCombo",
                           side == Side::Original ? "Original Data2 Min" : "Mapping Data2 Min"))
    , m_data2Max(makeCombo(this, side == Side::Original ? "originalData2MaxCombo" : "mappedData2MaxCombo",
                           side == Side::Original ? "Original Data2 Max" : "Mapping Data2 Max"))
{
    const bool original = side == Side::Original;
    setObjectName(original ? QStringLiteral("originalStandardEditor") : QStringLiteral("mappedStandardEditor"));

    m_status->addItems(Vocabulary::mappingTypeCodes().names());
    m_channel->addItem(AllChannels);
    for (int c = 1; c <= 16; ++c)
        m_channel->addItem(QString::number(c));
    m_channel->setCurrentIndex(1);
    for (QComboBox *combo : {m_data1Min, m_data1Max, m_data2Min, m_data2Max}) {
        fillNumbers(combo);
        combo->setMaxVisibleItems(16);
    }
    setFullRanges();

    auto *form = new QFormLayout;
    auto *statusLabel = new QLabel(QStringLiteral("Status"), this);
    statusLabel->setBuddy(m_status);
    auto *channelLabel = new QLabel(QStringLiteral("MIDI Channel"), this);
    channelLabel->setBuddy(m_channel);
    form->addRow(statusLabel, m_status);
    form->addRow(channelLabel, m_channel);

    const auto makeField = [this](const char *name, const QString &title, QComboBox *min, QComboBox *max,
                                  QLabel *&titleLabel) {
        auto *field = new QWidget(this);
        field->setObjectName(QLatin1String(name));
        field->setAccessibleName(title);
        field->setAttribute(Qt::WA_StyledBackground);
        // An unused field keeps its place, so the other one does not jump.
        QSizePolicy policy = field->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        field->setSizePolicy(policy);
        // The right quarter stays free of controls: a line starts there.
        field->installEventFilter(this);
        titleLabel = new QLabel(title, this);
        titleLabel->setObjectName(QLatin1String(name) + QStringLiteral("Title"));
        auto *grid = new QGridLayout(field);
        grid->setContentsMargins(8, 4, 8, 4);
        grid->addWidget(new QLabel(QStringLiteral("Min"), field), 0, 0);
        grid->addWidget(min, 0, 1);
        grid->addWidget(new QLabel(QStringLiteral("Max"), field), 1, 0);
        grid->addWidget(max, 1, 1);
        grid->setColumnStretch(1, 1);
        return field;
    };
    m_data1Field = makeField(original ? "originalData1Field" : "mappedData1Field", QStringLiteral("Data1"), m_data1Min,
                             m_data1Max, m_data1Title);
    m_data2Field = makeField(original ? "originalData2Field" : "mappedData2Field", QStringLiteral("Data2"), m_data2Min,
                             m_data2Max, m_data2Title);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(form);
    layout->addWidget(m_data1Title);
    layout->addWidget(m_data1Field);
    layout->addWidget(m_data2Title);
    layout->addWidget(m_data2Field);
    layout->addStretch(1);

    connect(m_status, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &StandardMappingEditor::onStatusIndexChanged);
    updateFields();
}

bool StandardMappingEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && (watched == m_data1Field || watched == m_data2Field)) {
        auto *field = static_cast<QWidget *>(watched);
        if (QLayout *layout = field->layout())
            layout->setContentsMargins(8, 4, field->width() / 4 + 4, 4);
    }
    return QWidget::eventFilter(watched, event);
}

StandardMappingEditor::FieldTitles StandardMappingEditor::titlesForType(const QString &type)
{
    // Tested as substrings, in this order.
    if (type.contains(QLatin1String("Control Change(CC)")))
        return {QStringLiteral("Controller#"), QStringLiteral("Value      ")};
    if (type.contains(QLatin1String("Channel Pressure")))
        return {QStringLiteral("Value      "), QStringLiteral("Value      ")};
    if (type.contains(QLatin1String("Note")))
        return {QStringLiteral("Note#      "), QStringLiteral("Velocity   ")};
    if (type.contains(QLatin1String("Program Change(PC)")))
        return {QStringLiteral("Patch      "), QString()};
    if (type.contains(QLatin1String("Pitch Bend")))
        return {QStringLiteral("Bend LSB   "), QStringLiteral("Bend MSB   ")};
    if (type.contains(QLatin1String("Key Aftertouch")))
        return {QStringLiteral("Note#      "), QStringLiteral("Pressure   ")};
    if (!type.isEmpty())
        return {QStringLiteral("data1      "), QStringLiteral("data2      ")};
    return {};
}

void StandardMappingEditor::setFieldColour(QWidget *field, const QString &colour)
{
    // Restyling posts a layout request, which rebuilds the overlay, which
    // colours the fields again: only a real change may restyle.
    if ((field != m_data1Field && field != m_data2Field) || field->property("fieldColour").toString() == colour)
        return;
    field->setProperty("fieldColour", colour);
    field->setStyleSheet(MappingColours::MappedFieldStyle.arg(colour));
}

QString StandardMappingEditor::fieldColour(const QWidget *field) const
{
    return field ? field->property("fieldColour").toString() : QString();
}

void StandardMappingEditor::updateFields()
{
    const FieldTitles titles = titlesForType(typeName());
    const bool data1 = hasData1();
    const bool data2 = hasData2();
    if (!titles.data1.isEmpty())
        m_data1Title->setText(titles.data1);
    if (!titles.data2.isEmpty())
        m_data2Title->setText(titles.data2);
    if (!data1)
        m_data1Title->setText(NotUsedTitle);
    if (!data2)
        m_data2Title->setText(NotUsedTitle);
    m_data1Field->setVisible(data1);
    m_data2Field->setVisible(data2);
    if (m_side == Side::Original) {
        setFieldColour(m_data1Field, data1 ? MappingColours::Data1 : MappingColours::Unused);
        setFieldColour(m_data2Field, data2 ? MappingColours::Data2 : MappingColours::Unused);
    } else {
        // The page colours the mapped fields by their sources; an unused one is grey.
        if (!data1)
            setFieldColour(m_data1Field, MappingColours::Unused);
        if (!data2)
            setFieldColour(m_data2Field, MappingColours::Unused);
    }
    emit fieldsChanged();
}

QString StandardMappingEditor::typeName() const
{
    return m_status->currentText();
}

QString StandardMappingEditor::channelText() const
{
    return m_channel->currentText();
}

Mapping::DataRanges StandardMappingEditor::ranges() const
{
    return {m_data1Min->currentIndex(), m_data1Max->currentIndex(), m_data2Min->currentIndex(),
            m_data2Max->currentIndex()};
}

MappingSide StandardMappingEditor::ruleSide() const
{
    MappingSide side;
    side.typeName = typeName();
    side.channelText = channelText();
    side.ranges = ranges();
    return side;
}

bool StandardMappingEditor::hasData1() const
{
    return Mapping::standardBlockLayout(typeCode(typeName())).data1Position != 0;
}

bool StandardMappingEditor::hasData2() const
{
    return Mapping::standardBlockLayout(typeCode(typeName())).data2Position != 0;
}

void StandardMappingEditor::selectType(int index)
{
    m_selecting = true;
    const int before = m_status->currentIndex();
    m_status->setCurrentIndex(index);
    // Choosing the type that is already there still starts the side afresh.
    if (m_status->currentIndex() == before)
        onStatusIndexChanged();
    m_selecting = false;
}

void StandardMappingEditor::selectType(const QString &typeName)
{
    const int index = m_status->findText(typeName, Qt::MatchExactly);
    if (index >= 0)
        selectType(index);
}

bool StandardMappingEditor::setChannelByte(std::uint8_t channel)
{
    if (channel == MappingProtocol::ChannelAll) {
        m_channel->setCurrentIndex(0);
        return true;
    }
    if (channel >= 1 && channel <= 16) {
        m_channel->setCurrentIndex(channel);
        return true;
    }
    qCWarning(lcMapping).noquote() << "channel byte out of range:" << channel;
    return false;
}

void StandardMappingEditor::setRangesFromBlock(const QByteArray &block)
{
    const auto setPair = [&block](int first, QComboBox *min, QComboBox *max) {
        if (block.size() <= first + 1 || !isDataValue(block.at(first)) || !isDataValue(block.at(first + 1)))
            return;
        min->setCurrentIndex(static_cast<std::uint8_t>(block.at(first)));
        max->setCurrentIndex(static_cast<std::uint8_t>(block.at(first + 1)));
    };
    setPair(1, m_data1Min, m_data1Max);
    setPair(3, m_data2Min, m_data2Max);
}

void StandardMappingEditor::setRanges(const Mapping::DataRanges &ranges)
{
    m_data1Min->setCurrentIndex(ranges.data1Min);
    m_data1Max->setCurrentIndex(ranges.data1Max);
    m_data2Min->setCurrentIndex(ranges.data2Min);
    m_data2Max->setCurrentIndex(ranges.data2Max);
}

void StandardMappingEditor::reset()
{
    selectType(0);
    m_channel->setCurrentIndex(1);
}

void StandardMappingEditor::applyNaming(int middleCOctave, bool showCCName)
{
    m_middleCOctave = MidiNames::isValidMiddleCOctave(middleCOctave) ? middleCOctave
                                                                      : MidiNames::DefaultMiddleCOctave;
    m_showCCName = showCCName;
    const int min = m_data1Min->currentIndex();
    const int max = m_data1Max->currentIndex();
    fillData1Lists();
    // Renaming the values must not change the rule.
    m_data1Min->setCurrentIndex(min);
    m_data1Max->setCurrentIndex(max);
}

void StandardMappingEditor::onStatusIndexChanged()
{
    fillData1Lists();
    setFullRanges();
    updateFields();
    if (!m_selecting)
        emit typeChosen(typeName());
}

void StandardMappingEditor::fillData1Lists()
{
    const QString type = typeName();
    for (QComboBox *combo : {m_data1Min, m_data1Max}) {
        const QSignalBlocker block(combo);
        if (type == ControlChange)
            MidiNames::fillControllerCombo(combo, m_showCCName);
        else if (type.contains(QLatin1String("Note")))
            MidiNames::fillNoteCombo(combo, m_middleCOctave);
        else
            fillNumbers(combo);
    }
}

void StandardMappingEditor::setFullRanges()
{
    setRanges(Mapping::DataRanges{});
}
