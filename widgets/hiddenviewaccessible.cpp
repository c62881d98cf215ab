#include "widgets/hiddenviewaccessible.h"

#include <QAbstractItemView>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QEvent>
#include <QListView>
#include <QTreeView>

namespace {

#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)

constexpr char WatchedProperty[] = "velmoraHiddenViewWatched";

// A view off screen: its widget state says invisible, and it has no cells.
class HiddenView : public QAccessibleWidget
{
public:
    HiddenView(QAbstractItemView *view, QAccessible::Role role)
        : QAccessibleWidget(view, role)
    {
    }

    int childCount() const override { return 0; }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
};

// Drops a view's interface when it is shown or hidden, so that the next
// query builds the one that fits (see factory).
class VisibilityWatch : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Only views whose interface was asked for are watched, so this costs
        // nothing where no assistive technology listens.
        if (event->type() == QEvent::Show || event->type() == QEvent::Hide) {
            if (QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(watched)) {
                const bool hidden = dynamic_cast<HiddenView *>(iface) != nullptr;
                if (hidden != (event->type() == QEvent::Hide))
                    QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

VisibilityWatch *watch()
{
    static VisibilityWatch *const instance = new VisibilityWatch(QCoreApplication::instance());
    return instance;
}

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    auto *view = qobject_cast<QAbstractItemView *>(object);
    // Asked once per class of the object, most derived first: answer the
    // first question only, and only for a hidden view; Qt's own interface
    // serves a shown one.
    if (!view || className != QLatin1String(object->metaObject()->className()))
        return nullptr;
    if (!view->property(WatchedProperty).toBool()) {
        view->setProperty(WatchedProperty, true);
        view->installEventFilter(watch());
    }
    if (view->isVisible())
        return nullptr;
    QAccessible::Role role = QAccessible::Table;
    if (qobject_cast<QListView *>(view))
        role = QAccessible::List;
    else if (qobject_cast<QTreeView *>(view))
        role = QAccessible::Tree;
    return new HiddenView(view, role);
}

#endif

} // namespace

void HiddenViewAccessible::install()
{
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed)
#endif
}
