/*
 * A static text that is a link: drawn underlined in blue (purple once opened) with the hand
 * cursor; a click opens its address with the desktop's opener, or, when the link is not an
 * address, shows the address text in an information box. GUI thread.
 */
#ifndef TALLYVOL_APP_UI_CSTATICLINK_H
#define TALLYVOL_APP_UI_CSTATICLINK_H

#include <QColor>
#include <QLabel>
#include <QTimer>

#include <memory>

namespace platform::shell {
class PendingOpen;
}

namespace app::ui {

class CStaticLink : public QLabel {
    Q_OBJECT
public:
    static constexpr QColor kUnvisitedColor{0, 0, 255};
    static constexpr QColor kVisitedColor{128, 0, 128};

    explicit CStaticLink(QWidget* parent = nullptr);
    ~CStaticLink() override;

    // The address; empty means the control's own text.
    void SetLink(const QString& link) { m_link = link; }
    QString Link() const { return m_link.isEmpty() ? text() : m_link; }
    void SetOpenAsAddress(bool on) { m_openAsAddress = on; }
    QColor LinkColor() const { return m_color; }

signals:
    // The opener finished; `opened` tells whether it succeeded.
    void OpenFinished(bool opened);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void open();
    void pollOpener();

    QString m_link;
    QColor m_color = kUnvisitedColor;
    bool m_openAsAddress = true;
    std::unique_ptr<platform::shell::PendingOpen> m_opener; // while xdg-open runs
    QTimer m_openerPoll;
};

} // namespace app::ui

#endif
