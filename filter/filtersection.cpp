#include "filter/filtersection.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QVariant>

#include <algorithm>

namespace {

QPushButton *hiddenButton(const QString &text, const QString &name, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(text);
    button->hide();
    return button;
}

} // namespace

FilterSection::FilterSection(const Layout &layout, QWidget *parent)
    : QFrame(parent)
    , m_sectionBox(new QCheckBox(layout.title, this))
    , m_hint(new QLabel(layout.hint, this))
    , m_all(hiddenButton(QStringLiteral("All"), layout.name + QStringLiteral("AllButton"), this))
    , m_none(hiddenButton(QStringLiteral("None"), layout.name + QStringLiteral("NoneButton"), this))
{
    setObjectName(layout.name + QStringLiteral("Section"));
    setProperty("filterSection", true);
    setFrameShape(QFrame::StyledPanel);

    m_sectionBox->setObjectName(layout.name + QStringLiteral("Box"));
    m_sectionBox->setAccessibleName(layout.title);
    m_sectionBox->setTristate(true);
    m_sectionBox->setProperty("filterSectionBox", true);
    m_sectionBox->setToolTip(QStringLiteral("Filter all or none of %1").arg(layout.title));
    m_hint->setObjectName(layout.name + QStringLiteral("Hint"));
    m_hint->setWordWrap(true);
    m_hint->setProperty("filterHint", true);

    auto *heading = new QHBoxLayout;
    heading->addWidget(m_sectionBox);
    heading->addStretch(1);
    heading->addWidget(m_all);
    heading->addWidget(m_none);

    QWidget *itemHost = this;
    if (layout.scrolling) {
        m_scrollArea = new QScrollArea(this);
        m_scrollArea->setObjectName(layout.name + QStringLiteral("ScrollArea"));
        m_scrollArea->setWidgetResizable(true);
        // Each check box is a stop; focusing one scrolls it into view.
        m_scrollArea->setFocusPolicy(Qt::NoFocus);
        m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_scrollArea->setFrameShape(QFrame::NoFrame);
        itemHost = new QWidget;
        itemHost->setObjectName(layout.name + QStringLiteral("Items"));
        // Into the area before it is filled: moving a filled host makes every
        // item box work out its style sheet style again.
        m_scrollArea->setWidget(itemHost);
    }

    auto *grid = new QGridLayout;
    m_grid = grid;
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(4);
    const int columns = std::max(1, layout.columns);
    m_columns = columns;
    m_items.reserve(layout.items.size());
    for (int i = 0; i < layout.items.size(); ++i) {
        const Item &item = layout.items.at(i);
        auto *box = new QCheckBox(item.text, itemHost);
        box->setObjectName(item.objectName);
        box->setAccessibleName(item.text);
        m_items.append(box);
        grid->addWidget(box, i / columns, i % columns);
    }
    for (int c = 0; c < columns; ++c)
        grid->setColumnStretch(c, 1);

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(12, 6, 12, 8);
    outer->setSpacing(4);
    outer->addLayout(heading);
    outer->addWidget(m_hint);
    if (m_scrollArea) {
        grid->setContentsMargins(2, 2, 2, 2);
        auto *hostLayout = new QVBoxLayout(itemHost);
        hostLayout->setContentsMargins(0, 0, 0, 0);
        hostLayout->addLayout(grid);
        hostLayout->addStretch(1);
        outer->addWidget(m_scrollArea, 1);
        fitScrollAreaToItems();
    } else {
        outer->addLayout(grid);
        outer->addStretch(1);
    }
}

int FilterSection::checkedCount() const
{
    return static_cast<int>(std::count_if(m_items.cbegin(), m_items.cend(),
                                          [](const QCheckBox *box) { return box->isChecked(); }));
}

void FilterSection::fitScrollAreaToItems()
{
    if (!m_scrollArea)
        return;
    // Measured from the items themselves: the grid's own hint is cached
    // until the next layout pass and would still describe the old texts.
    int itemWidth = 0;
    for (const QCheckBox *box : qAsConst(m_items))
        itemWidth = std::max(itemWidth, box->sizeHint().width());
    const QMargins margins = m_grid->contentsMargins();
    const int width = m_columns * itemWidth + (m_columns - 1) * m_grid->horizontalSpacing() + margins.left()
                      + margins.right() + m_scrollArea->verticalScrollBar()->sizeHint().width()
                      + 2 * m_scrollArea->frameWidth();
    m_scrollArea->setMinimumWidth(width);
}
