// Setting up the table when it is first opened, and each time it comes to the front.
#include "table/form1.h"
#include "toolkit/app.h"

namespace coppix {

TableLayout tableLayout(Long tableWidth, Long tableHeight)
{
    const double w = tableWidth;
    const double h = tableHeight;
    TableLayout layout{};
    layout.rulesLeft = float(w * 0.005);
    layout.rulesTop = 0;
    layout.rulesWidth = float(w * 0.4);
    layout.rulesHeight = float(h * 0.4);
    layout.infoLeft = float(w * 0.15);
    layout.infoTop = 0;
    const double exitLeftFraction = 105.0 / 120.0;
    const double exitTopFraction = 103.0 / 120.0;
    layout.exitLeft = float(exitLeftFraction * w);
    layout.exitTop = exitTopFraction * h;
    return layout;
}

void Form1::Form_Load()
{
    // The client area is measured in pixels throughout.
    sizeToScreen();
    m_game.tableWidth = Long(clientWidth());
    m_game.tableHeight = Long(clientHeight());

    // The card sound.
    MMCw.setWait(true);
    MMCw.setUpdateInterval(0);
    MMCw.setCommand(QStringLiteral("Close"));
    MMCw.setFileName(tk::App::file(QStringLiteral("\\carta.wav")));
    MMCw.setCommand(QStringLiteral("Open"));
    cards->setChecked(true);

    // The music: sequential mode, starting from the first song.
    const int songs = canzoni.UBound();
    for (int i = 1; i <= songs; ++i)
        canzoni(i).setChecked(false);
    nomusic->setChecked(false);
    all->setChecked(true);
    currentSong = Integer(canzoni.UBound());
    Integer completed = 1;
    MMC1_Done(completed);

    m_game.tableState = 0;
    m_game.cardCount = 20;
    m_game.rowCount = 4;
    moveTo(0, 0);
    venti->setChecked(true);
    quarantotto->setChecked(false);
    ottanta->setChecked(false);

    for (int i = 1; i <= 20; ++i)
        dorso20.Load(i);
    for (int i = 1; i <= 48; ++i)
        dorso48.Load(i);
    for (int i = 1; i <= 80; ++i)
        Dorso80.Load(i);
}

void Form1::Form_Activate()
{
    const TableLayout layout = tableLayout(m_game.tableWidth, m_game.tableHeight);
    for (tk::TextBox* box : {&Text1, &Text2}) {
        box->Move(layout.rulesLeft, layout.rulesTop, layout.rulesWidth, layout.rulesHeight);
        box->hide();
    }
    Text3.Move(layout.infoLeft, layout.infoTop);
    if (m_startInfo)
        Text3.setText(m_startInfo->text());
    lblquit.Move(layout.exitLeft, layout.exitTop);
    // The table may come back with a game's faces still up ("Play" on a start screen that
    // the desktop brought in front): the new game starts with every card down, each one
    // free to be picked.
    m_game.hideFaces();
    Main();
}

} // namespace coppix
