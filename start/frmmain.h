#pragma once
#include "toolkit/form.h"
#include "toolkit/label.h"
#include "toolkit/text_box.h"

#include <memory>

namespace coppix {

class Form1;

// Where the start screen's labels go on a client area of W x H pixels.
struct StartLayout {
    float playLeft, quitLeft, infoLeft;
    double top;
};
StartLayout startLayout(float W, float H);

// The info text: the version line, then a few lines about the game, each ended by CR LF.
QString infoText();

// The start screen: the first window of the program, and the way into the game and out.
class frmmain : public tk::Form {
    Q_OBJECT
public:
    frmmain();
    ~frmmain() override;

    tk::Label lblInfo;
    tk::Label lblplay;
    tk::Label lblquit;
    tk::TextBox Text4;

    void Form_MouseMove() override;
    void Form_Click() override;
    void lblInfo_MouseMove();
    void lblplay_MouseMove();
    void lblquit_MouseMove();
    void lblInfo_Click();
    void Text4_Click();
    void lblplay_Click();
    void lblquit_Click();

    // The game table, created by the first "Play"; nullptr before it.
    Form1* table() const { return m_table.get(); }
    // Whether the start picture could be read and painted.
    bool pictureShown() const { return m_pictureShown; }

    static constexpr std::uint32_t darkGreen = 0x00004000;

protected:
    void Form_Load() override;
    void Form_Unload(int& Cancel) override;

private:
    Form1& tableForm();

    std::unique_ptr<Form1> m_table;
    bool m_pictureShown = false;
    // The start picture's file as read: the picture is painted again from it when the
    // start screen comes back in front of the table.
    QByteArray m_pictureFile;
};

} // namespace coppix
