#include "app/pagetablabel.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>

namespace {

const char SelectedProperty[] = "selected";

class PageTabAccessible : public QAccessibleWidget
{
public:
    explicit PageTabAccessible(PageTabLabel *label)
        : QAccessibleWidget(label, QAccessible::PageTab)
    {
        addControllingSignal(QStringLiteral("activated()"));
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return label()->accessibleName().isEmpty() ? label()->text() : label()->accessibleName();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.selectable = true;
        s.selected = label()->isSelected();
        return s;
    }

    QStringList actionNames() const override { return {pressAction()}; }

    void doAction(const QString &action) override
    {
        if (action == pressAction())
            emit label()->activated();
    }

private:
    PageTabLabel *label() const { return static_cast<PageTabLabel *>(widget()); }
};

QAccessibleInterface *pageTabFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("PageTabLabel") && object && object->isWidgetType())
        return new PageTabAccessible(static_cast<PageTabLabel *>(object));
    return nullptr;
}

} // namespace

PageTabLabel::PageTabLabel(const QString &text, QWidget *parent)
    // The factory goes in before the label exists: the first question about
    // its interface (setText asks) decides the interface for good.
    : QLabel((registerAccessibility(), parent))
{
    setText(text);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(text);
}

bool PageTabLabel::isSelected() const
{
    return property(SelectedProperty).toBool();
}

void PageTabLabel::registerAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(pageTabFactory);
        return true;
    }();
    Q_UNUSED(installed)
}

void PageTabLabel::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
            emit activated();
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QLabel::keyPressEvent(event);
}
