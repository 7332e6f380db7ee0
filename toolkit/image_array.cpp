#include "toolkit/image_array.h"

#include "toolkit/control.h"

#include <QMouseEvent>
#include <QPainter>
#include <cassert>

namespace tk {

ImageControl::ImageControl(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_NoMousePropagation);
    hide();
}

void ImageControl::setPicture(const Picture& picture)
{
    m_picture = picture;
    setAttribute(Qt::WA_OpaquePaintEvent, !picture.isNull() && !picture.hasAlphaChannel());
    update();
}

void ImageControl::setStretch(bool stretch)
{
    m_stretch = stretch;
    update();
}

void ImageControl::Move(double left, double top) { placeControl(*this, left, top); }

void ImageControl::Move(double left, double top, double width, double height)
{
    placeControl(*this, left, top, width, height);
}

void ImageControl::paintEvent(QPaintEvent*)
{
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    if (m_stretch)
        painter.drawPixmap(0, 0, m_picture.stretched(size()));
    else
        painter.drawImage(0, 0, m_picture.image());
}

void ImageControl::mousePressEvent(QMouseEvent* event) { m_click.press(event); }

void ImageControl::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_click.release(event, *this))
        emit clicked();
}

void ImageControl::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

ImageArray::ImageArray(QWidget* parent) : m_parent(parent)
{
    m_elements.push_back(new ImageControl(parent));
}

bool ImageArray::Load(int index)
{
    if (index <= 0)
        return false;
    if (exists(index))
        return false;
    if (std::size_t(index) >= m_elements.size())
        m_elements.resize(std::size_t(index) + 1, nullptr);
    auto* prototype = m_elements[0];
    auto* element = new ImageControl(m_parent);
    element->setGeometry(prototype->geometry());
    element->setStretch(prototype->stretch());
    element->setPicture(prototype->picture());
    element->lower();
    connect(element, &ImageControl::clicked, this, [this, index] { emit Click(index); });
    m_elements[std::size_t(index)] = element;
    return true;
}

bool ImageArray::exists(int index) const { return at(index) != nullptr; }

ImageControl* ImageArray::at(int index) const
{
    if (index < 0 || std::size_t(index) >= m_elements.size())
        return nullptr;
    return m_elements[std::size_t(index)];
}

ImageControl& ImageArray::operator()(int index) const
{
    ImageControl* element = at(index);
    assert(element && "no such element in the control array");
    return *element;
}

int ImageArray::UBound() const
{
    for (int i = int(m_elements.size()) - 1; i > 0; --i)
        if (m_elements[std::size_t(i)])
            return i;
    return 0;
}

int ImageArray::count() const
{
    int n = 0;
    for (auto* element : m_elements)
        n += element ? 1 : 0;
    return n;
}

bool ImageArray::setVisible(int index, bool visible)
{
    ImageControl* element = at(index);
    if (!element)
        return false;
    element->setVisible(visible);
    return true;
}

bool ImageArray::Move(int index, double left, double top)
{
    ImageControl* element = at(index);
    if (!element)
        return false;
    element->Move(left, top);
    return true;
}

} // namespace tk
