#pragma once
// A game table opened as the player opens it: the start screen first, then "Play".
#include "start/frmmain.h"
#include "table/form1.h"
#include "testsupport.h"
#include "toolkit/app.h"
#include "toolkit/form.h"

#include <QSet>
#include <QTest>
#include <memory>

namespace testsupport {

struct TableFixture {
    int endings = 0;
    std::unique_ptr<coppix::frmmain> start;

    // folder: the program folder the game reads its files from.
    explicit TableFixture(const QString& folder = programDir())
    {
        tk::Program::reset();
        tk::Program::setEndAction([this] { ++endings; });
        tk::App::setPath(folder);
        start = std::make_unique<coppix::frmmain>();
        start->Show();
    }
    ~TableFixture()
    {
        start.reset();
        tk::Program::setEndAction({});
        tk::Program::reset();
    }

    coppix::Form1& play()
    {
        start->lblplay_Click();
        return *start->table();
    }
    coppix::Form1& table() { return *start->table(); }
};

// A test class whose every test function begins on a table just opened by "Play".
class TableTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<TableFixture> fixture;
    coppix::Form1* form = nullptr;

private slots:
    void init()
    {
        fixture = std::make_unique<TableFixture>();
        form = &fixture->play();
    }
    void cleanup()
    {
        form = nullptr;
        fixture.reset();
    }
};

// A test class whose test functions open the start screen themselves, on the program
// folder they choose.
class StartScreenTest : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<TableFixture> fixture;
    coppix::frmmain* start = nullptr;

    void open(const QString& folder = programDir())
    {
        fixture = std::make_unique<TableFixture>(folder);
        start = fixture->start.get();
    }

private slots:
    void cleanup()
    {
        start = nullptr;
        fixture.reset();
    }
};

// The partner of card i: cards i and i + n/2 share a face.
inline int partnerOf(const coppix::Form1& form, int card)
{
    const int half = form.game().cardCount / 2;
    return card <= half ? card + half : card - half;
}

// A card that does not match card i.
inline int strangerOf(const coppix::Form1& form, int card)
{
    const int partner = partnerOf(form, card);
    for (int other = 1; other <= form.game().cardCount; ++other)
        if (other != card && other != partner)
            return other;
    return 0;
}

// A click on the back of card i, delivered as the toolkit delivers it.
inline void clickBack(coppix::Form1& form, int card)
{
    tk::ImageArray* backs = form.backsInUse();
    emit backs->Click(card);
}

inline bool faceUp(const coppix::Form1& form, int card)
{
    const tk::ImageControl* face = form.Img.at(card);
    return face && face->Visible();
}

inline int facesUp(const coppix::Form1& form)
{
    int n = 0;
    for (int i = 1; i <= form.Img.UBound(); ++i)
        n += faceUp(form, i) ? 1 : 0;
    return n;
}

} // namespace testsupport
