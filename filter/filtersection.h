#pragma once

#include <QFrame>
#include <QString>
#include <QVector>

class QCheckBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QScrollArea;

// One section of the filter page, as the user sees it: a tri-state section box
// as its heading, a hint, the item boxes in a grid (in a scroll area when there
// are many) and the All/None buttons, which stay hidden because the section box
// does their work. The section holds no state of its own; the page counts.
class FilterSection : public QFrame
{
    Q_OBJECT

public:
    struct Item
    {
        QString objectName;
        QString text;
    };

    struct Layout
    {
        QString title;          // text of the section box
        // "channels": the section's widgets are named after it ("channelsBox",
        // "channelsHint", "channelsAllButton", ...).
        QString name;
        QString hint;
        QVector<Item> items;
        int columns = 1;
        bool scrolling = false; // items in a scroll area of their own
    };

    explicit FilterSection(const Layout &layout, QWidget *parent = nullptr);

    [[nodiscard]] QCheckBox *sectionBox() const { return m_sectionBox; }
    [[nodiscard]] QLabel *hintLabel() const { return m_hint; }
    [[nodiscard]] QPushButton *allButton() const { return m_all; }
    [[nodiscard]] QPushButton *noneButton() const { return m_none; }
    [[nodiscard]] QScrollArea *scrollArea() const { return m_scrollArea; }
    [[nodiscard]] const QVector<QCheckBox *> &items() const { return m_items; }
    [[nodiscard]] int itemCount() const { return m_items.size(); }
    [[nodiscard]] int checkedCount() const;

    // A scroll area does not grow with what it holds; after the item texts
    // change, this widens it so that no item text is clipped.
    void fitScrollAreaToItems();

private:
    QCheckBox *const m_sectionBox;
    QLabel *const m_hint;
    QPushButton *const m_all;
    QPushButton *const m_none;
    QScrollArea *m_scrollArea = nullptr;
    QGridLayout *m_grid = nullptr;
    int m_columns = 1;
    QVector<QCheckBox *> m_items;
};
