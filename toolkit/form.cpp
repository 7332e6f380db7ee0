#include "toolkit/form.h"

#include "toolkit/colour.h"
#include "toolkit/desktop_frame.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace tk {

namespace {
Form* s_active = nullptr;
bool s_ended = false;
int s_exitStatus = 0;
std::function<void()>& endAction()
{
    static std::function<void()> action;
    return action;
}
} // namespace

ClientArea::ClientArea(Form* form) : QWidget(form), m_form(form)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClientArea::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), colourFromBgr(m_form->m_backColor));
    const QPixmap painted = m_form->paintedPixels();
    if (!painted.isNull())
        painter.drawPixmap(0, 0, painted);
}

void ClientArea::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    if (!Program::ended())
        m_form->Form_MouseMove();
}

void ClientArea::mousePressEvent(QMouseEvent* event) { m_click.press(event); }

void ClientArea::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_click.release(event, *this) && !Program::ended())
        m_form->Form_Click();
}

Form::Form() : QWidget(nullptr), m_client(new ClientArea(this))
{
    setAttribute(Qt::WA_QuitOnClose, false);
}

Form::~Form()
{
    if (s_active == this)
        s_active = nullptr;
}

void Form::setCaption(const QString& caption) { setWindowTitle(caption); }

void Form::setBackColor(std::uint32_t bgr)
{
    m_backColor = bgr;
    m_client->update();
}

void Form::setIconPicture(const QString& path) { setWindowIcon(QIcon(path)); }

QMenuBar* Form::menuBar()
{
    if (!m_menuBar) {
        m_menuBar = new QMenuBar(this);
        m_menuBar->setNativeMenuBar(false);
        layoutParts();
    }
    return m_menuBar;
}

void Form::sizeToScreen()
{
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    // Under a window manager the frame, title bar included, covers the screen and the
    // client area is what it leaves; on a bare server the window is the whole screen.
    if (const std::optional<QMargins> frame = desktop::frameExtents(*this)) {
        m_frame = *frame;
        m_fullScreen = false;
    } else {
        m_frame = QMargins();
        m_fullScreen = true;
    }
    setGeometry(area - m_frame);
    layoutParts();
}

void Form::moveTo(int left, int top)
{
    // Qt learns the window manager's frame only once the window is mapped; until then the
    // frame the window manager told when asked is counted here.
    if (m_frame.isNull())
        move(left, top);
    else
        setGeometry(QRect(QPoint(left + m_frame.left(), top + m_frame.top()), size()));
}

int Form::clientWidth() const { return width(); }

int Form::clientHeight() const
{
    const int bar = m_menuBar ? m_menuBar->sizeHint().height() : 0;
    return std::max(0, height() - bar);
}

void Form::paintPicture(const QImage& image, const QRect& target, std::function<QImage()> readAgain)
{
    if (m_copy.isNull())
        m_copy = renderPainted();
    if (!image.isNull()) {
        QPainter painter(&m_copy);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, image);
    }
    if (!readAgain)
        readAgain = [image] { return image; };
    m_painted.push_back({std::move(readAgain), target});
    m_client->update();
}

QPixmap Form::renderPainted() const
{
    QPixmap canvas(clientWidth(), clientHeight());
    canvas.fill(colourFromBgr(m_backColor));
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const PaintedPicture& painted : m_painted) {
        const QImage image = painted.picture();
        if (!image.isNull())
            painter.drawImage(painted.target, image);
    }
    return canvas;
}

QPixmap Form::paintedPixels()
{
    if (!m_copy.isNull() || m_painted.empty())
        return m_copy;
    QPixmap pixels = renderPainted();
    // In front, the copy is kept for the paints to come; behind another window it is drawn
    // for this paint alone.
    if (s_active == this)
        m_copy = pixels;
    return pixels;
}

void Form::releasePaintedPicture() { m_copy = QPixmap(); }

void Form::becomeFront()
{
    // The window it replaces in front is covered now: it keeps no copy of its pictures.
    if (s_active && s_active != this)
        s_active->releasePaintedPicture();
    s_active = this;
}

void Form::layoutParts()
{
    const int bar = m_menuBar ? m_menuBar->sizeHint().height() : 0;
    if (m_menuBar)
        m_menuBar->setGeometry(0, 0, width(), bar);
    m_client->setGeometry(0, bar, width(), std::max(0, height() - bar));
}

void Form::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layoutParts();
}

void Form::ensureLoaded()
{
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
}

void Form::Show()
{
    if (Program::ended() || m_unloading)
        return;
    ensureLoaded();
    if (Program::ended())
        return;
    if (isHidden()) {
        if (m_fullScreen)
            showFullScreen();
        else
            show();
    }
    raise();
    activateWindow();
    if (s_active != this) {
        becomeFront();
        Form_Activate();
    }
}

void Form::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Brought in front by the desktop rather than by the program (its window list, a click
    // on the window): the window is the program's front one from now on, with no
    // Form_Activate. The program's own Show of the other window then activates that one,
    // however this one came in front; a switch straight back to a window that was already
    // the front one activates nothing.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && s_active != this)
        becomeFront();
}

void Form::sendToBack() { lower(); }

void Form::Unload()
{
    if (m_unloading || !m_loaded)
        return;
    m_unloading = true;
    int cancel = 0;
    Form_Unload(cancel);
    if (s_active == this)
        s_active = nullptr;
    hide();
    m_loaded = false;
}

Form* Form::activeForm() { return s_active; }

void Form::closeEvent(QCloseEvent* event)
{
    // Closing a window is never refused.
    event->accept();
    if (!m_unloading && !Program::ended())
        Unload();
}

void Program::End()
{
    if (s_ended)
        return;
    s_ended = true;
    if (endAction())
        endAction()();
    else
        QCoreApplication::exit(s_exitStatus);
}

bool Program::ended() { return s_ended; }

void Program::setEndAction(std::function<void()> action) { endAction() = std::move(action); }

void Program::setExitStatus(int status) { s_exitStatus = status; }

int Program::exitStatus() { return s_exitStatus; }

void Program::reset()
{
    s_ended = false;
    s_exitStatus = 0;
    s_active = nullptr;
}

} // namespace tk
