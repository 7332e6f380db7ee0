// The game table as it opens, and the deal: faces, pairs and the card grid.
#include "table/music_order.h"
#include "table_fixture.h"
#include "table_numbers.h"
#include "window_titles.h"

#include <QMenu>
#include <QMenuBar>

using namespace testsupport;
using coppix::Form1;

class TestTableDeal : public OwnTableTest {
    Q_OBJECT

    // Deals anew at the given size through its menu entry.
    static void dealAt(Form1& form, int count)
    {
        (count == 20 ? form.venti : count == 48 ? form.quarantotto : form.ottanta)->trigger();
    }

private slots:
    // The numbers this test grades the window with are the worked layouts of the table.
    void theWorkedGrids_data() { addWorkedGrids(); }
    void theWorkedGrids()
    {
        const WorkedGrid worked = fetchWorkedGrid();
        const ExpectedGrid grid = expectedGrid(worked.width, worked.height, worked.count, worked.rows);
        QCOMPARE(grid.cell, worked.grid.cell);
        QCOMPARE(grid.left, worked.grid.left);
        QCOMPARE(grid.top, worked.grid.top);
    }
    void theWorkedLayout()
    {
        // 1024 x 700: rules boxes at 5.12, 0, 409.6 x 280; info box at 153.6; "Exit" at 896, 600.83.
        const TablePlaces places = tablePlaces(1024, 700);
        const auto near = [](double value, double worked) { return qAbs(value - worked) < 0.005; };
        QVERIFY(near(places.rules.x(), 5.12) && places.rules.y() == 0);
        QVERIFY(near(places.rules.width(), 409.6) && near(places.rules.height(), 280));
        QVERIFY(near(places.info.x(), 153.6) && places.info.y() == 0);
        QVERIFY(near(places.exit.x(), 896) && near(places.exit.y(), 600.83));
        const ExpectedLayout layout = expectedLayout(1024, 700);
        QCOMPARE(layout.rules, QRect(5, 0, 410, 280));
        QCOMPARE(layout.info, QPoint(154, 0));
        QCOMPARE(layout.exit, QPoint(896, 601));
    }

    void cardsLieOnTheGridOfTheDeal_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("rows");
        QTest::newRow("20") << 20 << 4;
        QTest::newRow("48") << 48 << 6;
        QTest::newRow("80") << 80 << 8;
    }
    void cardsLieOnTheGridOfTheDeal()
    {
        // The window lays every card of the set in use on the grid of its own size, face
        // down, where the grid of its client area lies.
        QFETCH(int, count);
        QFETCH(int, rows);
        Form1& form = openTable();
        dealAt(form, count);
        const coppix::Game& game = form.game();
        QCOMPARE(int(game.rowCount()), rows);
        const ExpectedGrid grid = expectedGrid(form.clientWidth(), form.clientHeight(), count, rows);
        QSet<int> cards;
        for (int k = 1; k <= count; ++k) {
            const int card = game.cardOrder()[std::size_t(k)];
            const QRect expected = grid.cellRect(k, count / rows);
            QCOMPARE(form.Img(card).geometry(), expected);
            QCOMPARE((*form.backsInUse())(card).geometry(), expected);
            QVERIFY((*form.backsInUse())(card).Visible());
            QVERIFY(!form.Img(card).Visible());
            cards.insert(card);
        }
        QCOMPARE(cards.size(), count);
        // The other sets are out of the way.
        for (tk::ImageArray* backs : {&form.dorso20, &form.dorso48, &form.Dorso80})
            if (backs != form.backsInUse())
                for (int i = 1; i <= backs->UBound(); ++i)
                    QVERIFY(!QRect(0, 0, form.clientWidth(), form.clientHeight()).intersects((*backs)(i).geometry()));
    }

    void boxesAndExitLabelLayout()
    {
        const coppix::TableLayout layout = coppix::tableLayout(1024, 700);
        QCOMPARE(layout.rulesLeft, 5.12f);
        QCOMPARE(layout.rulesTop, 0.0f);
        QCOMPARE(layout.rulesWidth, 409.6f);
        QCOMPARE(layout.rulesHeight, 280.0f);
        QCOMPARE(layout.infoLeft, 153.6f);
        QCOMPARE(layout.exitLeft, 896.0f);
        QVERIFY(qAbs(layout.exitTop - 600.8333333333334) < 1e-9);

        // The window places them, at whole pixels, where its client area puts them, each
        // time it comes to the front.
        Form1& form = openTable();
        form.Text1.show();
        form.Text3.show();
        fixture->start->Show();
        fixture->start->lblplay_Click(); // activation lays them out again
        const ExpectedLayout own = expectedLayout(form.clientWidth(), form.clientHeight());
        QCOMPARE(form.Text1.geometry(), own.rules);
        QCOMPARE(form.Text2.geometry(), own.rules);
        QVERIFY(!form.Text1.Visible());
        QCOMPARE(form.Text3.geometry(), QRect(own.info, QSize(193, 112)));
        QVERIFY(form.Text3.Visible()); // the info box keeps its state
        QCOMPARE(form.lblquit.geometry(), QRect(own.exit, QSize(74, 37)));
    }

    void stateAfterLoad()
    {
        Form1& form = openTable();
        QCOMPARE(form.game().cardCount(), coppix::Integer(20));
        QCOMPARE(form.game().rowCount(), coppix::Integer(4));
        QCOMPARE(form.game().tableState(), coppix::Integer(0));
        QCOMPARE(form.currentSong, coppix::Integer(1));
        QVERIFY(form.venti->checked());
        QVERIFY(!form.quarantotto->checked());
        QVERIFY(!form.ottanta->checked());
        QVERIFY(form.cards->checked());
        QVERIFY(form.all->checked());
        QVERIFY(!form.nomusic->checked());
        QVERIFY(form.canzoni(1).checked());
        for (int i = 2; i <= 10; ++i)
            QVERIFY(!form.canzoni(i).checked());
        QVERIFY(!form.italiano(1).checked());
        QVERIFY(!form.inglese(2).checked());
        QCOMPARE(form.dorso20.count(), 21);
        QCOMPARE(form.dorso48.count(), 49);
        QCOMPARE(form.Dorso80.count(), 81);
        QVERIFY(!form.dorso20.element0().Visible());
        for (int i = 1; i <= 48; ++i)
            QVERIFY(!form.dorso48(i).Visible());
        QCOMPARE(form.Pic.UBound(), 40);
        QVERIFY(form.Img.element0().picture().isNull());
        QVERIFY(!form.Img.element0().Visible());
        QCOMPARE(form.windowTitle(), tableTitle);
        QCOMPARE(form.pos(), QPoint(0, 0));
        QCOMPARE(form.size(), form.screen()->geometry().size());
        QCOMPARE(form.game().tableWidth(), form.clientWidth());
        QCOMPARE(form.game().tableHeight(), form.clientHeight());
        QVERIFY(!form.Text1.Visible() && !form.Text2.Visible() && !form.Text3.Visible());
        QVERIFY(form.musicStrip.isHidden());
        QCOMPARE(form.musicStrip.geometry(), QRect(384, 128, 64, 18));
        QCOMPARE(form.Timer1.interval(), 1000);
        // The first showing deals: 20 backs up, no face.
        QCOMPARE(form.Img.UBound(), 20);
        QCOMPARE(facesUp(form), 0);
        for (int i = 1; i <= 20; ++i)
            QVERIFY(form.dorso20(i).Visible());
    }

    void menusAsDesigned()
    {
        Form1& form = openTable();
        QStringList titles;
        for (QAction* action : form.menuBar()->actions())
            titles << action->text();
        QCOMPARE(titles, (QStringList{"&Rules", "&Options", "&Sounds", "&Music", "&Info"}));
        QCOMPARE(form.venti->caption(), QStringLiteral("20 cards"));
        QCOMPARE(form.quarantotto->caption(), QStringLiteral("48 cards"));
        QCOMPARE(form.ottanta->caption(), QStringLiteral("80 cards"));
        QCOMPARE(form.cards->caption(), QStringLiteral("card rustle"));
        QCOMPARE(form.nomusic->caption(), QStringLiteral("no music"));
        QCOMPARE(form.all->caption(), QStringLiteral("sequential mode"));
        QCOMPARE(form.italiano(1).caption(), QStringLiteral("Italiano"));
        QCOMPARE(form.inglese(2).caption(), QStringLiteral("English"));
        QCOMPARE(form.canzoni.UBound(), 10);
        for (int i = 1; i <= 10; ++i)
            QCOMPARE(form.canzoni(i).caption(), QString::fromLatin1(coppix::MusicOrder::songs[size_t(i - 1)]));
    }

    // Qt draws a check box beside every checkable entry, checked or not: only the entries
    // whose handlers set a mark may be checkable. Each entry of every menu is listed, so a
    // new entry must say which kind it is.
    void onlyEntriesThatCarryAMarkAreCheckable_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("checkable");
        auto row = [](const char* menu, const char* entry, bool checkable) {
            QTest::newRow(entry) << QString::fromLatin1(menu) << QString::fromLatin1(entry) << checkable;
        };
        row("&Rules", "Italiano", false);
        row("&Rules", "English", false);
        row("&Options", "20 cards", true);
        row("&Options", "48 cards", true);
        row("&Options", "80 cards", true);
        row("&Sounds", "card rustle", true);
        row("&Music", "no music", true);
        row("&Music", "sequential mode", true);
        for (const char* song : coppix::MusicOrder::songs)
            row("&Music", song, true);
        row("", "&Info", false);
    }
    void onlyEntriesThatCarryAMarkAreCheckable()
    {
        QFETCH(QString, menu);
        QFETCH(QString, entry);
        QFETCH(bool, checkable);
        Form1& form = openTable();
        QAction* found = nullptr;
        int entries = 0;
        for (QAction* title : form.menuBar()->actions()) {
            if (!title->menu()) {
                ++entries;
                if (menu.isEmpty() && title->text() == entry)
                    found = title;
                continue;
            }
            for (QAction* action : title->menu()->actions()) {
                ++entries;
                if (title->text() == menu && action->text() == entry)
                    found = action;
            }
        }
        QCOMPARE(entries, 19); // every entry has its row
        QVERIFY(found);
        QCOMPARE(found->isCheckable(), checkable);
    }

    void pairsShareOnePicture_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("20") << 20;
        QTest::newRow("48") << 48;
        QTest::newRow("80") << 80;
    }
    void pairsShareOnePicture()
    {
        QFETCH(int, count);
        Form1& form = openTable();
        QSet<std::int32_t> libraryHandles;
        for (int i = 1; i <= 40; ++i)
            libraryHandles.insert(form.Pic(i).picture().handle());
        for (int round = 0; round < 5; ++round) {
            dealAt(form, count);
            const int half = count / 2;
            QSet<std::int32_t> pairHandles;
            for (int i = 1; i <= half; ++i) {
                const std::int32_t handle = form.Img(i).picture().handle();
                QVERIFY(handle != 0);
                QCOMPARE(form.Img(i + half).picture().handle(), handle);
                QVERIFY(libraryHandles.contains(handle));
                pairHandles.insert(handle);
            }
            QCOMPARE(pairHandles.size(), half); // no two pairs share a face
        }
    }

    void faceLibraryHoldsFortyDifferentPictures()
    {
        Form1& form = openTable();
        QSet<std::int32_t> handles;
        for (int i = 1; i <= 40; ++i) {
            const tk::Picture& picture = form.Pic(i).picture();
            QVERIFY2(!picture.isNull(), qPrintable(QStringLiteral("face %1 did not load").arg(i)));
            handles.insert(picture.handle());
            QVERIFY(!form.Pic(i).Visible());
        }
        QCOMPARE(handles.size(), 40);
        for (int set : {20, 48, 80}) {
            tk::ImageArray& backs = set == 20 ? form.dorso20 : set == 48 ? form.dorso48 : form.Dorso80;
            QVERIFY(!backs.element0().picture().isNull());
            QCOMPARE(backs(1).picture().handle(), backs.element0().picture().handle());
        }
    }

    void laterDealsReuseTheFaces()
    {
        Form1& form = openTable();
        tk::ImageControl* first = form.Img.at(1);
        tk::ImageControl* twentieth = form.Img.at(20);
        form.venti_Click();
        QCOMPARE(form.Img.UBound(), 20);
        QCOMPARE(form.Img.at(1), first);

        // 80 after 20 creates 21..80 and reuses 1..20.
        form.ottanta_Click();
        QCOMPARE(form.Img.UBound(), 80);
        QCOMPARE(form.Img.count(), 81);
        QCOMPARE(form.Img.at(20), twentieth);

        // 20 after 80 leaves 21..80 as they are: hidden, with their last pictures.
        const std::int32_t handle80 = form.Img(80).picture().handle();
        form.venti_Click();
        QCOMPARE(form.Img.count(), 81);
        QCOMPARE(form.Img(80).picture().handle(), handle80);
        for (int i = 21; i <= 80; ++i)
            QVERIFY(!form.Img(i).Visible());
    }

    void eightyCardsUseEveryFaceTwice()
    {
        Form1& form = openTable();
        form.ottanta_Click();
        QHash<std::int32_t, int> uses;
        for (int i = 1; i <= 80; ++i)
            ++uses[form.Img(i).picture().handle()];
        QCOMPARE(uses.size(), 40);
        for (int n : uses)
            QCOMPARE(n, 2);
    }

    void cardFacesAreDrawnFromTheWholeLibrary()
    {
        // Over many 20-card deals every one of the 40 faces turns up.
        Form1& form = openTable();
        QSet<std::int32_t> seen;
        for (int round = 0; round < 60 && seen.size() < 40; ++round) {
            form.venti_Click();
            for (int i = 1; i <= 10; ++i)
                seen.insert(form.Img(i).picture().handle());
        }
        QCOMPARE(seen.size(), 40);
    }
};

QTEST_MAIN(TestTableDeal)
#include "tst_table_deal.moc"
