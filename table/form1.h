#pragma once
#include "audio/media_device.h"
#include "table/game.h"
#include "table/music_strip.h"
#include "toolkit/form.h"
#include "toolkit/image_array.h"
#include "toolkit/label.h"
#include "toolkit/look.h"
#include "toolkit/menu.h"
#include "table/random.h"
#include "toolkit/text_box.h"
#include "toolkit/timer.h"

#include <array>
#include <cstdint>

namespace coppix {

// Where the boxes and the "Exit" label go for a table of a given size, before the
// controls settle at whole pixels. The boxes and the label's left edge are rounded to
// single precision, the label's top is kept in double precision: the table has always
// placed them so, and a value near a half pixel settles on the side it always has.
struct TableLayout {
    float rulesLeft, rulesTop, rulesWidth, rulesHeight;
    float infoLeft, infoTop;
    float exitLeft;
    double exitTop;
};
TableLayout tableLayout(Long tableWidth, Long tableHeight);

// The game table: the cards on their blue cloth, the menus, the "Exit" label, the rules
// and info boxes, and the game itself.
class Form1 : public tk::Form {
    Q_OBJECT
public:
    // startScreen: the window "Exit" brings back; startInfo: the info box whose text the
    // table's own info box copies each time the table comes to the front.
    Form1(tk::Form* startScreen, const tk::TextBox* startInfo);
    ~Form1() override;

    // The song playing, or last played, in sequential mode.
    Integer currentSong = 0;

    // ---- its controls ----
    tk::ImageArray Img;
    tk::ImageArray Pic;
    tk::ImageArray dorso20;
    tk::ImageArray dorso48;
    tk::ImageArray Dorso80;
    tk::TextBox Text1;
    tk::TextBox Text2;
    tk::TextBox Text3;
    tk::Label lblquit;
    tk::Timer Timer1;
    audio::MediaDevice MMCw;
    audio::MediaDevice MMC1;
    // The play, pause and stop buttons of the music, shown in sequential mode.
    MusicStrip musicStrip;

    tk::Menu* rules = nullptr;
    tk::MenuArray italiano{1};
    tk::MenuArray inglese{2};
    tk::Menu* options = nullptr;
    tk::MenuItem* venti = nullptr;
    tk::MenuItem* quarantotto = nullptr;
    tk::MenuItem* ottanta = nullptr;
    tk::Menu* sounds = nullptr;
    tk::MenuItem* cards = nullptr;
    tk::Menu* music = nullptr;
    tk::MenuItem* nomusic = nullptr;
    tk::MenuItem* all = nullptr;
    tk::MenuArray canzoni;
    tk::MenuItem* menu_about = nullptr;

    // The rules and the state of the game on the table.
    const Game& game() const { return m_game; }

    // ---- the game: each handler calls the rules once, then carries out their steps ----
    // Deals a new game at the current size and starts its turn loop; whatever the game
    // in progress had pending is dropped.
    void Main();
    void Timer1_Timer();

    // A whole click on a back: the pick, its sound, and the card turned when it is taken.
    void dorso20_Click(Integer Index);
    void dorso48_Click(Integer Index);
    void dorso80_Click(Integer Index);

    void venti_Click();
    void quarantotto_Click();
    void ottanta_Click();

    void lblquit_Click();
    void lblquit_MouseMove();
    void Form_MouseMove() override;

    void italiano_Click(Integer Index);
    void inglese_Click(Integer Index);
    void menu_about_Click();
    void Text1_Click();
    void Text2_Click();
    void Text3_Click();

    void cards_Click();
    void MMC1_Done(Integer& NotifyCode);
    void all_Click();
    void canzoni_Click(Integer Index);
    void nomusic_Click();

    // Where the turn loop stands between two events.
    using Phase = Game::Phase;
    Phase phase() const { return m_game.phase(); }
    // The card-back set of the current table size; nullptr before the table is loaded.
    tk::ImageArray* backsInUse();

    static constexpr std::uint32_t tableBlue = 0x00FF0000;

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void Form_Unload(int& Cancel) override;

private:
    void buildMenus();
    void buildFaceLibrary();
    void connectEvents();

    // The pause the rules asked for: Timer1 ticks after tempo hundredths of a second.
    void ritardo(Integer tempo);
    // Carries out what the rules asked of the table, in order.
    void applySteps();
    void pickBack(Integer Index);
    void chooseTableSize(Integer cards);
    // The card sound, when "card rustle" is ticked.
    void playCardSound();
    // The song file of menu entry i with the given extension.
    QString songFile(int index, const QString& extension) const;
    // The back set and the "&Options" entry of a table size; nullptr for any other count.
    tk::ImageArray* backSet(int cards);
    tk::MenuItem* sizeEntry(int cards);

    // One back set and one "&Options" entry for each table size, in the order of tableSizes.
    std::array<tk::ImageArray*, tableSizes.size()> m_backSets;
    std::array<tk::MenuItem*, tableSizes.size()> m_sizeEntries{};
    tk::Form* m_startScreen;
    const tk::TextBox* m_startInfo;
    // The random source behind the shuffle, and the game that draws from it.
    Random m_random;
    Game m_game{m_random};
};

} // namespace coppix
