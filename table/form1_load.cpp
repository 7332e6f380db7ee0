// Setting up the table when it is first opened, and each time it comes to the front.
#include "table/form1.h"
#include "toolkit/app.h"

namespace coppix {

// Each value is the size in double precision times its fraction; the boxes and the label's
// left are then rounded to single precision and the label's top is not (see TableLayout).
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
    // The client area is measured in pixels throughout, once: the game keeps it.
    sizeToScreen();
    const Long tableWidth = Long(clientWidth());
    const Long tableHeight = Long(clientHeight());

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
    Integer completed = audio::NotifySuccessful;
    MMC1_Done(completed);

    moveTo(0, 0);
    // The game takes the table's size and starts at its first size, whose entry is checked.
    m_game.Form_Load(tableWidth, tableHeight);
    applySteps();

    for (const TableSize& size : tableSizes)
        for (int i = 1; i <= size.cards; ++i)
            backSet(size.cards)->Load(i);
}

void Form1::Form_Activate()
{
    const TableLayout layout = tableLayout(m_game.tableWidth(), m_game.tableHeight());
    for (tk::TextBox* box : {&Text1, &Text2}) {
        box->Move(layout.rulesLeft, layout.rulesTop, layout.rulesWidth, layout.rulesHeight);
        box->hide();
    }
    Text3.Move(layout.infoLeft, layout.infoTop);
    if (m_startInfo)
        Text3.setText(m_startInfo->text());
    lblquit.Move(layout.exitLeft, layout.exitTop);
    m_game.Form_Activate();
    applySteps();
}

} // namespace coppix
