#include "start/frmmain.h"

#include "assets/pictures.h"
#include "start/start_picture.h"
#include "table/form1.h"
#include "toolkit/app.h"
#include "toolkit/colour.h"
#include "toolkit/look.h"

#include <cstdio>

namespace coppix {

StartLayout startLayout(float W, float H)
{
    StartLayout layout{};
    const float playFraction = 50.0f / 120.0f;
    const float quitFraction = 105.0f / 120.0f;
    const float infoFraction = 15.0f / 120.0f;
    layout.playLeft = W * playFraction;
    layout.quitLeft = W * quitFraction;
    layout.infoLeft = W * infoFraction;
    layout.top = double(H) * (106.5 / 120.0);
    return layout;
}

QString infoText()
{
    return QStringLiteral(
        "                Coppix ver. 2.2                 \r\n"
        "\r\n"
        "  Dabrel Coppix\r\n"
        "  VErdanticoPRess\r\n"
        "  The pairs game\r\n"
        "  for the whole family.\r\n"
        "  Faces: Noto Color Emoji.\r\n");
}

frmmain::frmmain()
    : lblInfo(client(), QStringLiteral("Info")), lblplay(client(), QStringLiteral("Play")),
      lblquit(client(), QStringLiteral("Quit")), Text4(client())
{
    setCaption(QStringLiteral("VErdanticoPRess  -  Coppix"));
    setBackColor(darkGreen);
    setIconPicture(assets::iconPath());
    setFont(tk::look::font(24, true, true));

    for (tk::Label* label : {&lblInfo, &lblplay, &lblquit})
        tk::look::styleLabel(*label);
    lblInfo.setGeometry(QRect(QPoint(80, 456), tk::look::labelSize));
    lblplay.setGeometry(QRect(QPoint(280, 456), tk::look::playLabelSize));
    lblquit.setGeometry(QRect(QPoint(528, 456), tk::look::labelSize));

    Text4.setGeometry(QRect(QPoint(464, 240), tk::look::infoBoxSize));
    Text4.setBackColor(tk::look::boxYellow);
    Text4.setForeColor(0x00000000);
    Text4.setFont(tk::look::font(7.8));
    Text4.setText(infoText());
    Text4.hide();

    connect(&lblInfo, &tk::Label::MouseMove, this, [this] { lblInfo_MouseMove(); });
    connect(&lblplay, &tk::Label::MouseMove, this, [this] { lblplay_MouseMove(); });
    connect(&lblquit, &tk::Label::MouseMove, this, [this] { lblquit_MouseMove(); });
    connect(&lblInfo, &tk::Label::Click, this, [this] { lblInfo_Click(); });
    connect(&lblplay, &tk::Label::Click, this, [this] { lblplay_Click(); });
    connect(&lblquit, &tk::Label::Click, this, [this] { lblquit_Click(); });
    connect(&Text4, &tk::TextBox::Click, this, [this] { Text4_Click(); });
}

frmmain::~frmmain() = default;

void frmmain::Form_Load()
{
    sizeToScreen();
    const float W = float(clientWidth());
    const float H = float(clientHeight());

    // A start picture that is missing or unreadable leaves the dark-green background.
    const QString file = tk::App::file(QStringLiteral("\\dabrel coppix.jpg"));
    QString error;
    const QImage picture = loadStartPicture(file, &error, &m_pictureFile);
    if (picture.isNull()) {
        std::fprintf(stderr, "coppix: start picture %s: %s\n", qPrintable(file), qPrintable(error));
    } else {
        // While the table covers the start screen only the file's bytes are kept; the picture
        // is decoded from them again when the start screen paints.
        paintPicture(picture, QRect(0, 0, int(W), int(H)), [this] { return decodeStartPicture(m_pictureFile); });
        m_pictureShown = true;
    }

    const StartLayout layout = startLayout(W, H);
    lblplay.Move(layout.playLeft, layout.top);
    lblquit.Move(layout.quitLeft, layout.top);
    lblInfo.Move(layout.infoLeft, layout.top);
    Text4.Move(10, 0);
}

void frmmain::Form_MouseMove()
{
    lblplay.setForeColor(tk::Yellow);
    lblquit.setForeColor(tk::Yellow);
    lblInfo.setForeColor(tk::Yellow);
}

void frmmain::lblInfo_MouseMove() { lblInfo.setForeColor(tk::Orange); }
void frmmain::lblplay_MouseMove() { lblplay.setForeColor(tk::Orange); }
void frmmain::lblquit_MouseMove() { lblquit.setForeColor(tk::Orange); }

void frmmain::lblInfo_Click() { Text4.setVisible(!Text4.Visible()); }
void frmmain::Form_Click() { Text4.hide(); }
void frmmain::Text4_Click() { Text4.hide(); }

Form1& frmmain::tableForm()
{
    if (!m_table)
        m_table = std::make_unique<Form1>(this, &Text4);
    return *m_table;
}

void frmmain::lblplay_Click()
{
    sendToBack();
    tableForm().Show();
}

void frmmain::lblquit_Click()
{
    Unload();
    tk::Program::End();
}

void frmmain::Form_Unload(int& Cancel)
{
    (void)Cancel;
    // The game keeps no file of its own open between events, so there is none to close.
    if (m_table)
        m_table->Unload();
    Unload();
    tk::Program::End();
}

} // namespace coppix
