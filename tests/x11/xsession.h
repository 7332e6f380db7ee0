#pragma once
// A private X display for driving the real program: Xvfb (and a window manager when a test
// asks for one), the program's windows found by their titles, screenshots, clicks (xdotool)
// and a window manager's close request.
#include <QImage>
#include <QList>
#include <QMargins>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace xsession {

class Display {
public:
    // Starts Xvfb on a free display with one screen of the given size.
    explicit Display(int width = 1024, int height = 768);
    ~Display();
    bool ok() const { return m_display != nullptr; }
    QString name() const { return m_name; }
    QProcessEnvironment environment() const;

    // The top-level window whose title is exactly the given one, mapped; 0 while none.
    unsigned long findWindow(const QString& title) const;
    unsigned long waitForWindow(const QString& title, int timeoutMs) const;
    // The window that is uppermost among the mapped top-level windows (with a window
    // manager: the client window inside the uppermost frame).
    unsigned long topWindow() const;
    // Those windows from the bottom to the top, as the X server stacks them (xwininfo -root
    // -children, frames looked into).
    QList<unsigned long> windowsBottomToTop() const;
    QImage screenshot() const;
    // A click of the left button at a place of the screen, as a player's (xdotool).
    bool click(int x, int y) const;
    bool moveMouse(int x, int y) const;
    bool xdotool(const QStringList& arguments) const;
    // What a window manager sends when the player closes a window.
    void requestClose(unsigned long window) const;

    // A window manager on this display: openbox with Debian's own settings (those of a
    // fresh user, whatever the user running the tests has set up). True once it manages
    // the screen; it is stopped before the display.
    bool startWindowManager(int timeoutMs = 10000);
    // A window manager that only says it is there and can tell a window's frame
    // (_NET_SUPPORTING_WM_CHECK, _NET_SUPPORTED), but never answers and frames nothing.
    bool pretendWindowManager(const QString& name);
    // What the window manager calls itself (_NET_SUPPORTING_WM_CHECK); empty without one.
    QString windowManagerName() const;
    // What the window manager printed (its log), for a failure's message.
    QString windowManagerLog() const;
    // The window manager's view: the window holding the focus (_NET_ACTIVE_WINDOW), and the
    // windows it manages from the bottom of the stack to the top (_NET_CLIENT_LIST_STACKING).
    unsigned long activeWindow() const;
    QList<unsigned long> stackingOrder() const;
    // Where a window lies on the screen, in root coordinates.
    QRect geometry(unsigned long window) const;
    // Whether a window lies inside another (a window manager's frame) rather than on the root.
    bool isFramed(unsigned long window) const;
    // Where the window's frame lies: the window on the root that holds it (the window itself
    // when it has no frame).
    QRect frameGeometry(unsigned long window) const;
    // The frame's edges as the window manager gives them (_NET_FRAME_EXTENTS): left, top,
    // right, bottom; none when it gives none.
    std::optional<QMargins> frameExtents(unsigned long window) const;
    // The states a window manager has set on a window (_NET_WM_STATE), by atom name.
    QStringList states(unsigned long window) const;
    QString titleOf(unsigned long window) const;

private:
    QProcess m_server;
    QString m_name;
    void* m_display = nullptr;
    QProcess m_windowManager;
    std::unique_ptr<QTemporaryDir> m_windowManagerHome;
};

// The fraction of the pixels of a rectangle that have exactly the given colour.
double fractionOf(const QImage& image, const QRect& area, QRgb colour);
// How different two pictures of one place are: the mean absolute difference per channel.
double difference(const QImage& a, const QImage& b);

} // namespace xsession
