// The game table as designed: its controls, pictures, menus and look.
#include "table/form1.h"

#include "assets/pictures.h"
#include "table/music_order.h"
#include "table/rules_texts.h"
#include "toolkit/colour.h"
#include "toolkit/look.h"

#include <QMenuBar>

namespace coppix {

namespace {
// Sizes of the design, in pixels.
constexpr int cardPrototypeSide = 116;
constexpr QRect musicStripDesign(384, 128, 64, 18);

void designBacks(tk::ImageArray& backs, int cardCountOfSet)
{
    tk::ImageControl& prototype = backs.element0();
    const tk::Picture picture = tk::Picture::load(assets::backPath(cardCountOfSet));
    prototype.setPicture(picture);
    prototype.setStretch(true);
    prototype.resize(picture.size());
    prototype.hide();
}

void designRulesBox(tk::TextBox& box, const QString& text)
{
    box.setBackColor(tk::look::boxYellow);
    box.setFont(tk::look::font(9.6));
    box.setText(text);
    box.hide();
}
} // namespace

Form1::Form1(tk::Form* startScreen, const tk::TextBox* startInfo)
    : Img(client()), Pic(client()), dorso20(client()), dorso48(client()), Dorso80(client()),
      Text1(client()), Text2(client()), Text3(client()), lblquit(client(), QStringLiteral("Exit")),
      Timer1(this), MMCw(this), MMC1(this), musicStrip(client()), m_backSets{&dorso20, &dorso48, &Dorso80},
      m_startScreen(startScreen), m_startInfo(startInfo)
{
    setCaption(QStringLiteral("VErdanticoPRess  -  Coppix "));
    setBackColor(tableBlue);
    setIconPicture(assets::iconPath());
    // The window's own font, which the info box uses.
    setFont(tk::look::font(8));

    Img.element0().setStretch(true);
    Img.element0().resize(cardPrototypeSide, cardPrototypeSide);
    buildFaceLibrary();
    for (const TableSize& size : tableSizes)
        designBacks(*backSet(size.cards), size.cards);

    designRulesBox(Text1, rules::italian());
    designRulesBox(Text2, rules::english());
    Text3.setBackColor(tk::look::boxYellow);
    Text3.setGeometry(QRect(QPoint(0, 0), tk::look::infoBoxSize));
    Text3.hide();

    tk::look::styleLabel(lblquit);
    lblquit.resize(tk::look::labelSize);

    Timer1.setEnabled(false);
    Timer1.setInterval(1000);

    musicStrip.setGeometry(musicStripDesign);
    musicStrip.hide();
    musicStrip.control(MMC1);

    // The boxes lie above the cards and the label.
    Text1.raise();
    Text2.raise();
    Text3.raise();

    buildMenus();
    connectEvents();
}

Form1::~Form1() = default;

void Form1::buildFaceLibrary()
{
    Pic.element0().setStretch(true);
    for (int i = 1; i <= faceLibrarySize; ++i) {
        Pic.Load(i);
        Pic(i).setPicture(tk::Picture::load(assets::facePath(i)));
    }
}

void Form1::buildMenus()
{
    QMenuBar* bar = menuBar();
    rules = new tk::Menu(bar, QStringLiteral("&Rules"));
    italiano.append(rules->addItem(QStringLiteral("Italiano")));
    inglese.append(rules->addItem(QStringLiteral("English")));

    options = new tk::Menu(bar, QStringLiteral("&Options"));
    venti = options->addCheckItem(QStringLiteral("20 cards"));
    quarantotto = options->addCheckItem(QStringLiteral("48 cards"));
    ottanta = options->addCheckItem(QStringLiteral("80 cards"));
    m_sizeEntries = {venti, quarantotto, ottanta};

    sounds = new tk::Menu(bar, QStringLiteral("&Sounds"));
    cards = sounds->addCheckItem(QStringLiteral("card rustle"));

    music = new tk::Menu(bar, QStringLiteral("&Music"));
    nomusic = music->addCheckItem(QStringLiteral("no music"));
    all = music->addCheckItem(QStringLiteral("sequential mode"));
    for (const char* caption : MusicOrder::songs)
        canzoni.append(music->addCheckItem(QString::fromLatin1(caption)));

    menu_about = tk::addMenuTitle(bar, QStringLiteral("&Info"), this);
}

void Form1::connectEvents()
{
    connect(&dorso20, &tk::ImageArray::Click, this, [this](int i) { dorso20_Click(Integer(i)); });
    connect(&dorso48, &tk::ImageArray::Click, this, [this](int i) { dorso48_Click(Integer(i)); });
    connect(&Dorso80, &tk::ImageArray::Click, this, [this](int i) { dorso80_Click(Integer(i)); });
    connect(&lblquit, &tk::Label::Click, this, [this] { lblquit_Click(); });
    connect(&lblquit, &tk::Label::MouseMove, this, [this] { lblquit_MouseMove(); });
    connect(&Timer1, &tk::Timer::Tick, this, [this] { Timer1_Timer(); });

    connect(venti, &tk::MenuItem::Click, this, [this] { venti_Click(); });
    connect(quarantotto, &tk::MenuItem::Click, this, [this] { quarantotto_Click(); });
    connect(ottanta, &tk::MenuItem::Click, this, [this] { ottanta_Click(); });

    connect(&italiano(1), &tk::MenuItem::Click, this, [this] { italiano_Click(1); });
    connect(&inglese(2), &tk::MenuItem::Click, this, [this] { inglese_Click(2); });
    connect(menu_about, &tk::MenuItem::Click, this, [this] { menu_about_Click(); });
    connect(&Text1, &tk::TextBox::Click, this, [this] { Text1_Click(); });
    connect(&Text2, &tk::TextBox::Click, this, [this] { Text2_Click(); });
    connect(&Text3, &tk::TextBox::Click, this, [this] { Text3_Click(); });

    connect(cards, &tk::MenuItem::Click, this, [this] { cards_Click(); });
    connect(nomusic, &tk::MenuItem::Click, this, [this] { nomusic_Click(); });
    connect(all, &tk::MenuItem::Click, this, [this] { all_Click(); });
    for (int i = 1; i <= canzoni.UBound(); ++i)
        connect(&canzoni(i), &tk::MenuItem::Click, this, [this, i] { canzoni_Click(Integer(i)); });
    connect(&MMC1, &audio::MediaDevice::Done, this, [this](int code) {
        Integer notifyCode = Integer(code);
        MMC1_Done(notifyCode);
    });
}

tk::ImageArray* Form1::backSet(int cards)
{
    const int i = sizeIndex(cards);
    return i < 0 ? nullptr : m_backSets[std::size_t(i)];
}

tk::MenuItem* Form1::sizeEntry(int cards)
{
    const int i = sizeIndex(cards);
    return i < 0 ? nullptr : m_sizeEntries[std::size_t(i)];
}

tk::ImageArray* Form1::backsInUse() { return backSet(m_game.cardCount()); }

} // namespace coppix
