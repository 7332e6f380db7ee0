#pragma once
#include "toolkit/control.h"

#include <QMargins>
#include <QPixmap>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class QMenuBar;

namespace tk {

class Form;

// The part of a window below its menu bar, where the controls lie. It paints the window's
// background colour and what was painted on the window, and takes the mouse events that
// reach the bare background.
class ClientArea : public QWidget {
    Q_OBJECT
public:
    explicit ClientArea(Form* form);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    Form* m_form;
    ClickTracker m_click;
};

// A top-level window of the game. It is loaded on first use (Form_Load), comes to the
// front with Show (Form_Activate when Show makes it the program's active window in place
// of another, whether the program or the desktop had brought that one in front), and is
// closed for good by Unload (Form_Unload), which never runs twice.
class Form : public QWidget {
    Q_OBJECT
public:
    Form();
    ~Form() override;

    void setCaption(const QString& caption);
    void setBackColor(std::uint32_t bgr);
    std::uint32_t backColor() const { return m_backColor; }
    void setIconPicture(const QString& path);

    QMenuBar* menuBar();
    ClientArea* client() { return m_client; }

    // Outer size equal to the screen's: under a window manager the window's frame covers
    // the screen, on a bare X server the window shows full screen.
    void sizeToScreen();
    // Puts the window's outer top-left corner (its frame's, when it has one) at a place.
    void moveTo(int left, int top);
    // Extents of the client area in pixels.
    int clientWidth() const;
    int clientHeight() const;

    // Draws a picture stretched over a rectangle of the client area; the window keeps it.
    // readAgain gives the picture again when the window has let go of its pixels (say, by
    // decoding the file's bytes); without it the window keeps the picture itself.
    void paintPicture(const QImage& image, const QRect& target, std::function<QImage()> readAgain = {});
    // Whether the window holds a copy of what is painted on it. It does while it is the
    // program's front window; once another comes in front it lets the copy go (a
    // full-screen picture is 3 MB and more), each paint draws the pictures again from their
    // sources, and the copy is kept again when the window is back in front.
    bool keepsPaintedCopy() const { return !m_copy.isNull(); }

    bool loaded() const { return m_loaded; }
    bool unloading() const { return m_unloading; }
    // Loads on first use, shows, brings to the front and makes it the active window.
    void Show();
    void sendToBack();
    // Closes the window and runs its Form_Unload; does nothing while an unload is under way.
    void Unload();

    // The program's front window: the one last brought to the front, by the program's Show
    // or by the desktop.
    static Form* activeForm();

    virtual void Form_MouseMove() {}
    virtual void Form_Click() {}

protected:
    virtual void Form_Load() {}
    virtual void Form_Activate() {}
    virtual void Form_Unload(int& Cancel) { (void)Cancel; }

    void resizeEvent(QResizeEvent*) override;
    void closeEvent(QCloseEvent*) override;
    void changeEvent(QEvent*) override;

private:
    friend class ClientArea;
    void layoutParts();
    void ensureLoaded();
    // What is painted on the window: from the copy when there is one, else drawn again.
    QPixmap paintedPixels();
    void releasePaintedPicture();
    // The window is the program's front one from now on.
    void becomeFront();
    QPixmap renderPainted() const;

    QMenuBar* m_menuBar = nullptr;
    ClientArea* m_client;
    // Every picture painted on the window, in order, each with the way to draw it again.
    struct PaintedPicture {
        std::function<QImage()> picture;
        QRect target;
    };
    std::vector<PaintedPicture> m_painted;
    // What they look like over the background, kept while the window is in front.
    QPixmap m_copy;
    std::uint32_t m_backColor = 0x00FFFFFF;
    bool m_loaded = false;
    bool m_unloading = false;
    bool m_fullScreen = false;
    QMargins m_frame; // the window manager's frame around the window, when it has one
};

// The end of the program: stops it at once and for good, whatever is under way.
class Program {
public:
    static void End();
    static bool ended();
    // Tests replace what ending does (normally: leave the event loop with the exit status).
    static void setEndAction(std::function<void()> action);
    // The status the program ends with: 0 unless set (128 + n when signal n ends it).
    static void setExitStatus(int status);
    static int exitStatus();
    static void reset();
};

} // namespace tk
