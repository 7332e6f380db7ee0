#pragma once
// A game table opened as the player opens it: the start screen first, then "Play".
#include "start/frmmain.h"
#include "table/form1.h"
#include "pairs.h"
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

// A test class that opens its table itself: the start screen on the program folder it
// names, then "Play". It closes the table when it is done with it.
class TableOwner : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<TableFixture> fixture;
    coppix::Form1* form = nullptr;

    coppix::Form1& openTable(const QString& folder = programDir())
    {
        fixture = std::make_unique<TableFixture>(folder);
        form = &fixture->play();
        return *form;
    }
    void closeTable()
    {
        form = nullptr;
        fixture.reset();
    }
};

// A test class whose test functions open a table when they are ready for it, each closed
// at the end of its function.
class OwnTableTest : public TableOwner {
    Q_OBJECT

private slots:
    void cleanup() { closeTable(); }
};

// A test class whose every test function begins on a table just opened by "Play".
class TableTest : public OwnTableTest {
    Q_OBJECT

private slots:
    void init() { openTable(); }
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

// The picture card i shows when it is up: its face's picture object.
inline std::int32_t pictureOf(const coppix::Form1& form, int card) { return form.Img(card).picture().handle(); }

// Every card's partner on the table: the other card that shows the same picture.
inline std::vector<int> partners(const coppix::Form1& form)
{
    return partners(form.game().cardCount(), [&](int card) { return pictureOf(form, card); });
}
inline int partnerOf(const coppix::Form1& form, int card) { return partners(form)[std::size_t(card)]; }

// A card that does not match card i.
inline int strangerOf(const coppix::Form1& form, int card)
{
    return strangerOf(form.game().cardCount(), card, [&](int other) { return pictureOf(form, other); });
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
