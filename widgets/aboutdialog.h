#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;

// The "About" box: a frameless dialog that paints its own 30-pixel title bar
// and is moved by dragging that bar.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    static const QUrl MakerSite;
    static constexpr int TitleBarHeight = 30;

    // Opens the maker's site; the system browser unless a test replaces it.
    using UrlOpener = std::function<bool(const QUrl &)>;

    // version: the text shown after "Version: ", such as "V2.0.1".
    explicit AboutDialog(QWidget *parent, const QString &version);

    void setUrlOpener(UrlOpener opener) { m_openUrl = std::move(opener); }
    [[nodiscard]] QLabel *linkLabel() const { return m_linkLabel; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int m_dragX = 0;
    int m_dragY = 0;
    // Only a press in the title bar starts a drag; one further down must not
    // make the window jump when the pointer later crosses the bar.
    bool m_dragging = false;
    QLabel *m_linkLabel = nullptr;
    UrlOpener m_openUrl;
};
