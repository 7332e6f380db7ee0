#pragma once
#include "toolkit/control.h"
#include "toolkit/picture.h"

#include <QObject>
#include <QWidget>
#include <vector>

namespace tk {

// One image control: shows its picture, stretched to its size when the stretch flag is on.
class ImageControl : public QWidget {
    Q_OBJECT
public:
    explicit ImageControl(QWidget* parent);

    void setPicture(const Picture& picture);
    const Picture& picture() const { return m_picture; }
    void setStretch(bool stretch);
    bool stretch() const { return m_stretch; }
    // The control's own visibility, whether or not its window is on screen.
    bool Visible() const { return !isHidden(); }
    // Left, top and optionally width and height in pixels of the window's client area;
    // what is left out keeps its value.
    void Move(double left, double top);
    void Move(double left, double top, double width, double height);

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;

private:
    Picture m_picture;
    bool m_stretch = false;
    ClickTracker m_click;
};

// A control array of images. Element 0 comes from the window's design; Load(i) makes
// element i a hidden copy of element 0 (its size, stretch flag and picture).
class ImageArray : public QObject {
    Q_OBJECT
public:
    explicit ImageArray(QWidget* parent);

    ImageControl& element0() { return *m_elements[0]; }
    // Creates element i; false (the error of loading an element twice) when it exists already.
    bool Load(int index);
    bool exists(int index) const;
    // The element, or nullptr where it does not exist.
    ImageControl* at(int index) const;
    ImageControl& operator()(int index) const;
    int UBound() const;
    int count() const;

    // Operations that pass over an element that does not exist, returning false for it.
    bool setVisible(int index, bool visible);
    bool Move(int index, double left, double top);

signals:
    void Click(int index);

private:
    QWidget* m_parent;
    std::vector<ImageControl*> m_elements;
};

} // namespace tk
