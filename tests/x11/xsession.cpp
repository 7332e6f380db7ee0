#include "xsession.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <unistd.h>

namespace xsession {

namespace {
::Display* dpy(void* p) { return static_cast<::Display*>(p); }

QString readTitle(::Display* display, Window window)
{
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    QString title;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data) == Success && data) {
        title = QString::fromUtf8(reinterpret_cast<char*>(data), int(count));
        XFree(data);
        return title;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        title = QString::fromLocal8Bit(name);
        XFree(name);
    }
    return title;
}

// Top-level windows, bottom to top; with a window manager the client windows lie one
// level down, inside the frames. Windows that are not the programs' own top-level windows
// are passed over: override-redirect ones (pop-up menus, and a window manager's own, such as
// openbox's "Openbox" check window, mapped off the screen above everything) and any that lie
// wholly off the screen.
void collect(::Display* display, Window parent, int depth, QList<Window>& out)
{
    Window root, parentReturn;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &parentReturn, &children, &count))
        return;
    XWindowAttributes rootAttributes;
    const bool rootKnown = XGetWindowAttributes(display, root, &rootAttributes);
    for (unsigned int i = 0; i < count; ++i) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable
            || attributes.override_redirect)
            continue;
        if (depth == 0 && rootKnown
            && !QRect(attributes.x, attributes.y, attributes.width, attributes.height)
                    .intersects(QRect(0, 0, rootAttributes.width, rootAttributes.height)))
            continue;
        if (!readTitle(display, children[i]).isEmpty())
            out << children[i];
        else if (depth < 2)
            collect(display, children[i], depth + 1, out);
    }
    if (children)
        XFree(children);
}
// The property of a window that is a list of 32-bit values (windows, atoms, cardinals).
QList<unsigned long> readList(::Display* display, Window window, const char* name, Atom type)
{
    Atom actualType;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    QList<unsigned long> values;
    if (XGetWindowProperty(display, window, XInternAtom(display, name, False), 0, 4096, False, type, &actualType,
                           &format, &count, &after, &data) == Success && data) {
        if (format == 32)
            for (unsigned long i = 0; i < count; ++i)
                values << reinterpret_cast<unsigned long*>(data)[i];
        XFree(data);
    }
    return values;
}

// Windows come and go under a window manager (frames, other programs' windows) between a
// look at the tree and a question about one of them: such a question fails quietly instead
// of ending the test, as Xlib's own handler would.
int ignoreErrors(::Display*, XErrorEvent*) { return 0; }
} // namespace

Display::Display(int width, int height)
{
    XSetErrorHandler(ignoreErrors);
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return;
    m_server.setProgram(QStringLiteral("Xvfb"));
    m_server.setArguments({QStringLiteral("-displayfd"), QString::number(pipeFds[1]), QStringLiteral("-screen"),
                           QStringLiteral("0"), QStringLiteral("%1x%2x24").arg(width).arg(height),
                           QStringLiteral("-nolisten"), QStringLiteral("tcp"), QStringLiteral("-noreset")});
    m_server.start();
    ::close(pipeFds[1]);
    QByteArray number;
    char c;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 10000 && ::read(pipeFds[0], &c, 1) == 1 && c != '\n')
        number += c;
    ::close(pipeFds[0]);
    if (number.isEmpty())
        return;
    m_name = QStringLiteral(":") + QString::fromLatin1(number);
    m_display = XOpenDisplay(m_name.toLatin1().constData());
}

Display::~Display()
{
    if (m_windowManager.state() != QProcess::NotRunning) {
        m_windowManager.terminate();
        if (!m_windowManager.waitForFinished(3000)) {
            m_windowManager.kill();
            m_windowManager.waitForFinished(1000);
        }
    }
    if (m_display)
        XCloseDisplay(dpy(m_display));
    m_server.terminate();
    m_server.waitForFinished(3000);
}

QProcessEnvironment Display::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_name);
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    return env;
}

unsigned long Display::findWindow(const QString& title) const
{
    if (!m_display)
        return 0;
    QList<Window> windows;
    collect(dpy(m_display), DefaultRootWindow(dpy(m_display)), 0, windows);
    for (Window w : windows)
        if (readTitle(dpy(m_display), w) == title)
            return w;
    return 0;
}

unsigned long Display::waitForWindow(const QString& title, int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (unsigned long w = findWindow(title))
            return w;
        QThread::msleep(5);
    }
    return 0;
}

unsigned long Display::topWindow() const
{
    if (!m_display)
        return 0;
    QList<Window> windows;
    collect(dpy(m_display), DefaultRootWindow(dpy(m_display)), 0, windows);
    return windows.isEmpty() ? 0 : windows.last();
}

QList<unsigned long> Display::windowsBottomToTop() const
{
    QList<unsigned long> order;
    if (!m_display)
        return order;
    QList<Window> windows;
    collect(dpy(m_display), DefaultRootWindow(dpy(m_display)), 0, windows);
    for (Window w : windows)
        order << w;
    return order;
}

QImage Display::screenshot() const
{
    if (!m_display)
        return {};
    ::Display* display = dpy(m_display);
    XSync(display, False);
    Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, root, &attributes);
    XImage* shot = XGetImage(display, root, 0, 0, unsigned(attributes.width), unsigned(attributes.height), AllPlanes, ZPixmap);
    if (!shot)
        return {};
    QImage image(attributes.width, attributes.height, QImage::Format_RGB32);
    for (int y = 0; y < attributes.height; ++y)
        for (int x = 0; x < attributes.width; ++x)
            image.setPixel(x, y, QRgb(XGetPixel(shot, x, y)) | 0xFF000000u);
    XDestroyImage(shot);
    return image;
}

bool Display::xdotool(const QStringList& arguments) const
{
    QProcess tool;
    tool.setProcessEnvironment(environment());
    tool.start(QStringLiteral("xdotool"), arguments);
    return tool.waitForFinished(5000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

bool Display::moveMouse(int x, int y) const
{
    return xdotool({QStringLiteral("mousemove"), QString::number(x), QString::number(y)});
}

bool Display::click(int x, int y) const
{
    return xdotool({QStringLiteral("mousemove"), QString::number(x), QString::number(y), QStringLiteral("click"),
                    QStringLiteral("1")});
}

void Display::requestClose(unsigned long window) const
{
    if (!m_display)
        return;
    ::Display* display = dpy(m_display);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

bool Display::startWindowManager(int timeoutMs)
{
    if (!m_display || m_windowManager.state() != QProcess::NotRunning)
        return false;
    // A home of its own: no settings, themes or caches of the user's come in.
    m_windowManagerHome = std::make_unique<QTemporaryDir>();
    if (!m_windowManagerHome->isValid())
        return false;
    const QString home = m_windowManagerHome->path();
    QProcessEnvironment env = environment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/cache"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.remove(QStringLiteral("XDG_CONFIG_DIRS"));
    env.remove(QStringLiteral("XDG_DATA_DIRS"));
    env.remove(QStringLiteral("SESSION_MANAGER"));
    m_windowManager.setProcessEnvironment(env);
    m_windowManager.setProcessChannelMode(QProcess::MergedChannels);
    m_windowManager.setStandardOutputFile(home + QStringLiteral("/openbox.log"));
    m_windowManager.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    if (!m_windowManager.waitForStarted(5000))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (!windowManagerName().isEmpty())
            return true;
        if (m_windowManager.state() == QProcess::NotRunning)
            return false;
        QThread::msleep(10);
    }
    return false;
}

QString Display::windowManagerLog() const
{
    if (!m_windowManagerHome)
        return {};
    QFile log(m_windowManagerHome->path() + QStringLiteral("/openbox.log"));
    return log.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(log.readAll()) : QString();
}

QString Display::windowManagerName() const
{
    if (!m_display)
        return {};
    ::Display* display = dpy(m_display);
    const QList<unsigned long> check = readList(display, DefaultRootWindow(display), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (check.isEmpty())
        return {};
    // The check window names itself as well; a stale one left by a window manager gone does not.
    const QList<unsigned long> self = readList(display, check.first(), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW);
    if (self.isEmpty() || self.first() != check.first())
        return {};
    return readTitle(display, check.first());
}

unsigned long Display::activeWindow() const
{
    if (!m_display)
        return 0;
    const QList<unsigned long> active =
        readList(dpy(m_display), DefaultRootWindow(dpy(m_display)), "_NET_ACTIVE_WINDOW", XA_WINDOW);
    return active.isEmpty() ? 0 : active.first();
}

QList<unsigned long> Display::stackingOrder() const
{
    if (!m_display)
        return {};
    return readList(dpy(m_display), DefaultRootWindow(dpy(m_display)), "_NET_CLIENT_LIST_STACKING", XA_WINDOW);
}

QRect Display::geometry(unsigned long window) const
{
    if (!m_display)
        return {};
    ::Display* display = dpy(m_display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return {};
    int x = 0, y = 0;
    Window child;
    if (!XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child))
        return {};
    return QRect(x, y, attributes.width, attributes.height);
}

bool Display::isFramed(unsigned long window) const
{
    if (!m_display)
        return false;
    ::Display* display = dpy(m_display);
    Window root, parent;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count))
        return false;
    if (children)
        XFree(children);
    return parent != root;
}

QRect Display::frameGeometry(unsigned long window) const
{
    if (!m_display)
        return {};
    ::Display* display = dpy(m_display);
    Window outer = window;
    for (int depth = 0; depth < 8; ++depth) {
        Window root, parent;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, outer, &root, &parent, &children, &count))
            return {};
        if (children)
            XFree(children);
        if (parent == root)
            break;
        outer = parent;
    }
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, outer, &attributes))
        return {};
    return QRect(attributes.x, attributes.y, attributes.width + 2 * attributes.border_width,
                 attributes.height + 2 * attributes.border_width);
}

std::optional<QMargins> Display::frameExtents(unsigned long window) const
{
    if (!m_display)
        return std::nullopt;
    const QList<unsigned long> e = readList(dpy(m_display), window, "_NET_FRAME_EXTENTS", XA_CARDINAL);
    if (e.size() != 4)
        return std::nullopt;
    return QMargins(int(e[0]), int(e[2]), int(e[1]), int(e[3]));
}

bool Display::pretendWindowManager(const QString& name)
{
    if (!m_display)
        return false;
    ::Display* display = dpy(m_display);
    const Window root = DefaultRootWindow(display);
    Window check = XCreateSimpleWindow(display, root, -100, -100, 1, 1, 0, 0, 0);
    const Atom checkAtom = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    XChangeProperty(display, check, checkAtom, XA_WINDOW, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&check), 1);
    XChangeProperty(display, root, checkAtom, XA_WINDOW, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&check), 1);
    const QByteArray utf8Name = name.toUtf8();
    XChangeProperty(display, check, XInternAtom(display, "_NET_WM_NAME", False), XInternAtom(display, "UTF8_STRING", False), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(utf8Name.constData()), int(utf8Name.size()));
    Atom supported[] = {XInternAtom(display, "_NET_REQUEST_FRAME_EXTENTS", False), XInternAtom(display, "_NET_FRAME_EXTENTS", False),
                        XInternAtom(display, "_NET_WM_STATE", False), XInternAtom(display, "_NET_WM_STATE_FULLSCREEN", False)};
    XChangeProperty(display, root, XInternAtom(display, "_NET_SUPPORTED", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(supported), int(std::size(supported)));
    XSync(display, False);
    return windowManagerName() == name;
}

QStringList Display::states(unsigned long window) const
{
    if (!m_display)
        return {};
    ::Display* display = dpy(m_display);
    QStringList names;
    for (unsigned long atom : readList(display, window, "_NET_WM_STATE", XA_ATOM))
        if (char* name = XGetAtomName(display, Atom(atom))) {
            names << QString::fromLatin1(name);
            XFree(name);
        }
    return names;
}

QString Display::titleOf(unsigned long window) const
{
    return m_display ? readTitle(dpy(m_display), window) : QString();
}

double fractionOf(const QImage& image, const QRect& area, QRgb colour)
{
    const QRect r = area.intersected(image.rect());
    if (r.isEmpty())
        return 0;
    long hits = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            hits += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF) ? 1 : 0;
    return double(hits) / (double(r.width()) * r.height());
}

double difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

} // namespace xsession
