#pragma once
// A private X display for driving the real program: Xvfb, the program's windows found
// by their titles, screenshots, clicks (xdotool) and a window manager's close request.
#include <QImage>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>

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
    // The window that is uppermost among the mapped top-level windows.
    unsigned long topWindow() const;
    QImage screenshot() const;
    // A click of the left button at a place of the screen, as a player's (xdotool).
    bool click(int x, int y) const;
    bool moveMouse(int x, int y) const;
    bool xdotool(const QStringList& arguments) const;
    // What a window manager sends when the player closes a window.
    void requestClose(unsigned long window) const;

private:
    QProcess m_server;
    QString m_name;
    void* m_display = nullptr;
};

// The fraction of the pixels of a rectangle that have exactly the given colour.
double fractionOf(const QImage& image, const QRect& area, QRgb colour);
// How different two pictures of one place are: the mean absolute difference per channel.
double difference(const QImage& a, const QImage& b);

} // namespace xsession
