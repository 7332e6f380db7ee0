#include "toolkit/desktop_frame.h"

#include <QGuiApplication>
#include <QWidget>
#include <qguiapplication_platform.h>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <poll.h>
#include <vector>

namespace tk::desktop {

namespace {

using Clock = std::chrono::steady_clock;

// How long a window waits for the window manager to tell its frame. Window managers that
// answer do so within milliseconds, but one starved of CPU on a busy machine was seen to
// need more than 300 ms; one that does not answer at all costs the start this once.
constexpr std::chrono::milliseconds answerBound(1500);

// Set once a window manager has failed to answer: the next window does not wait again.
bool s_noAnswer = false;

struct Disconnect {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
using Connection = std::unique_ptr<xcb_connection_t, Disconnect>;

template <typename T> struct Freed {
    void operator()(T* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, Freed<T>>;

// A connection of the window layer's own to the program's X server: the window manager's
// answers come to it as events, which it waits for without taking any from the toolkit.
Connection connectToProgramsServer()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return {};
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return {};
    const char* name = x11->display() ? XDisplayString(x11->display()) : nullptr;
    Connection c(xcb_connect(name, nullptr));
    if (!c || xcb_connection_has_error(c.get()))
        return {};
    return c;
}

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// A property that is a list of 32-bit values of the given type; empty when it is not set.
std::vector<uint32_t> readList(xcb_connection_t* c, xcb_window_t window, xcb_atom_t property, xcb_atom_t type)
{
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, property, type, 0, 4096), nullptr));
    if (!reply || reply->format != 32 || reply->type != type)
        return {};
    const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return std::vector<uint32_t>(values, values + xcb_get_property_value_length(reply.get()) / 4);
}

xcb_window_t rootOf(xcb_connection_t* c, xcb_window_t window)
{
    Reply<xcb_get_geometry_reply_t> reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    return reply ? reply->root : xcb_window_t(XCB_WINDOW_NONE);
}

// Whether a window manager that follows the desktop's conventions runs: its check window
// names itself (one left behind by a window manager gone does not).
bool windowManagerRuns(xcb_connection_t* c, xcb_window_t root)
{
    const xcb_atom_t check = atom(c, "_NET_SUPPORTING_WM_CHECK");
    const std::vector<uint32_t> onRoot = readList(c, root, check, XCB_ATOM_WINDOW);
    if (onRoot.empty())
        return false;
    const std::vector<uint32_t> onItself = readList(c, onRoot.front(), check, XCB_ATOM_WINDOW);
    return !onItself.empty() && onItself.front() == onRoot.front();
}

bool supports(xcb_connection_t* c, xcb_window_t root, const char* what)
{
    const xcb_atom_t wanted = atom(c, what);
    for (uint32_t a : readList(c, root, atom(c, "_NET_SUPPORTED"), XCB_ATOM_ATOM))
        if (a == wanted)
            return true;
    return false;
}

// A request about a window, sent to the window manager as the desktop's conventions ask.
void sendToWindowManager(xcb_connection_t* c, xcb_window_t root, xcb_window_t window, xcb_atom_t type)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    xcb_send_event(c, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
}

std::optional<QMargins> extentsOf(xcb_connection_t* c, xcb_window_t window, xcb_atom_t extents)
{
    const std::vector<uint32_t> e = readList(c, window, extents, XCB_ATOM_CARDINAL);
    if (e.size() != 4)
        return std::nullopt;
    // left, right, top, bottom; a frame wider than a few hundred pixels is no frame.
    for (uint32_t edge : e)
        if (edge > 500)
            return std::nullopt;
    return QMargins(int(e[0]), int(e[2]), int(e[1]), int(e[3]));
}

// Waits, up to the deadline, for an event on the connection that the test accepts.
template <typename Accept> bool waitForEvent(xcb_connection_t* c, Clock::time_point deadline, Accept accept)
{
    for (;;) {
        while (std::unique_ptr<xcb_generic_event_t, Freed<xcb_generic_event_t>> event{xcb_poll_for_event(c)}) {
            if (accept(event.get()))
                return true;
        }
        if (xcb_connection_has_error(c))
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd fd{xcb_get_file_descriptor(c), POLLIN, 0};
        if (::poll(&fd, 1, int(left.count())) < 0 && errno != EINTR)
            return false;
    }
}

} // namespace

std::optional<QMargins> frameExtents(QWidget& widget)
{
    if (s_noAnswer)
        return std::nullopt;
    Connection connection = connectToProgramsServer();
    if (!connection)
        return std::nullopt;
    xcb_connection_t* c = connection.get();
    // The window exists on the server from here on, with its title and kind, unmapped.
    const auto window = xcb_window_t(widget.winId());
    const xcb_window_t root = rootOf(c, window);
    if (!root || !windowManagerRuns(c, root) || !supports(c, root, "_NET_REQUEST_FRAME_EXTENTS"))
        return std::nullopt;

    const xcb_atom_t extents = atom(c, "_NET_FRAME_EXTENTS");
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, window, XCB_CW_EVENT_MASK, &mask);
    sendToWindowManager(c, root, window, atom(c, "_NET_REQUEST_FRAME_EXTENTS"));
    xcb_flush(c);

    const Clock::time_point deadline = Clock::now() + answerBound;
    const bool answered = waitForEvent(c, deadline, [&](const xcb_generic_event_t* event) {
        if ((event->response_type & 0x7F) != XCB_PROPERTY_NOTIFY)
            return false;
        const auto* change = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        return change->window == window && change->atom == extents && change->state == XCB_PROPERTY_NEW_VALUE;
    });
    // The answer may also have come before the events were asked for.
    std::optional<QMargins> frame = extentsOf(c, window, extents);
    if (!answered && !frame)
        s_noAnswer = true;
    return frame;
}

} // namespace tk::desktop
