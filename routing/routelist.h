#pragma once

#include "routing/route.h"

#include <QListWidget>
#include <QPointer>

class RouteModel;

// The model's routes as a list a keyboard or a screen reader can reach, one
// entry per route ("MIDI IN 1 to MIDI OUT 2"). Delete asks for the chosen
// route's removal, as a right-click on its line does.
class RouteList : public QListWidget
{
    Q_OBJECT

public:
    // Rows the list asks room for; a splitter above it gives or takes more.
    static constexpr int PreferredRows = 6;
    static constexpr int MinimumRows = 2;

    explicit RouteList(QWidget *parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

    void setModel(RouteModel *model);
    [[nodiscard]] static QString routeName(const Routing::Route &route);

signals:
    void removeRequested(Routing::Route route);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void refill();
    [[nodiscard]] int heightForRows(int rows) const;

    QPointer<RouteModel> m_model;
};
