#pragma once
#include "toolkit/control.h"

#include <QWidget>
#include <cstdint>

namespace tk {

// A label used as a button: its caption in its text colour, centred, with no background
// of its own so the window shows around the letters.
class Label : public QWidget {
    Q_OBJECT
public:
    Label(QWidget* parent, const QString& caption);

    QString caption() const { return m_caption; }
    void setForeColor(std::uint32_t bgr);
    std::uint32_t foreColor() const { return m_foreColor; }
    void setFontSpec(const QString& family, double points, bool bold, bool italic = false);
    void Move(double left, double top);
    void Move(double left, double top, double width, double height);

signals:
    void Click();
    void MouseMove();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;

private:
    QString m_caption;
    std::uint32_t m_foreColor = 0;
    ClickTracker m_click;
};

// Fonts of the game's design, with a stand-in of like widths where the family is missing
// ("MS Sans Serif": Liberation Sans Narrow), and any sans serif where that is missing too.
QFont designFont(const QString& family, double points, bool bold = false, bool italic = false);

} // namespace tk
