#pragma once

#include <QLabel>

// A page header that acts as the page's tab: it takes keyboard focus, Enter
// or Space (or a click, through the window's event filter) selects its page,
// and assistive technology hears it as a page tab, selected or not.
class PageTabLabel : public QLabel
{
    Q_OBJECT

public:
    explicit PageTabLabel(const QString &text, QWidget *parent = nullptr);

    [[nodiscard]] bool isSelected() const;
    // Once per process: page tab labels are reported with the page-tab role.
    static void registerAccessibility();

signals:
    void activated();

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
