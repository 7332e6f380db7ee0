#pragma once
#include "toolkit/control.h"

#include <QPlainTextEdit>
#include <cstdint>

namespace tk {

// A multi-line text box. The player reads it; a click inside it is reported as Click.
class TextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget* parent);

    void setText(const QString& text);
    QString text() const { return m_text; }
    void setBackColor(std::uint32_t bgr);
    void setForeColor(std::uint32_t bgr);
    bool Visible() const { return !isHidden(); }
    void Move(double left, double top);
    void Move(double left, double top, double width, double height);

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;

private:
    QString m_text;
    ClickTracker m_click;
};

} // namespace tk
