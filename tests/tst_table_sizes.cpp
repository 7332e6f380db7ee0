// The "&Options" menu: a new game of 20, 48 or 80 cards from whatever stands on the table.
#include "table_fixture.h"
#include "table_numbers.h"

#include <QFile>
#include <set>

using namespace testsupport;
using coppix::Form1;
using coppix::Integer;

namespace {
using Handler = void (Form1::*)();

struct Size {
    int count, rows;
    Handler handler;
};
Size sizeOf(int count)
{
    switch (count) {
    case 48: return {48, 6, &Form1::quarantotto_Click};
    case 80: return {80, 8, &Form1::ottanta_Click};
    default: return {20, 4, &Form1::venti_Click};
    }
}
// A new game of that size, as its menu entry deals it. (Called on a reference: GCC 12 with
// -fsanitize=vptr mis-instruments `(form->*handler)()` on a member of a polymorphic base,
// where it checks a temporary it has not set yet, and reports a null pointer.)
void choose(Form1& form, int count)
{
    (form.*sizeOf(count).handler)();
}
tk::ImageArray& backsOf(Form1& form, int count)
{
    return count == 20 ? form.dorso20 : count == 48 ? form.dorso48 : form.Dorso80;
}
tk::MenuItem* entryOf(Form1& form, int count)
{
    return count == 20 ? form.venti : count == 48 ? form.quarantotto : form.ottanta;
}
} // namespace

class TestTableSizes : public TableTest {
    Q_OBJECT

    void checkTableOf(int count)
    {
        const Size size = sizeOf(count);
        QCOMPARE(int(form->game().cardCount()), size.count);
        QCOMPARE(int(form->game().rowCount()), size.rows);
        for (int other : {20, 48, 80})
            QCOMPARE(entryOf(*form, other)->checked(), other == count);
        QCOMPARE(facesUp(*form), 0);
        QCOMPARE(form->game().foundCards(), Integer(0));
        QCOMPARE(form->game().firstCard(), Integer(0));
        QCOMPARE(form->game().secondCard(), Integer(0));
        QCOMPARE(form->phase(), Form1::Phase::WaitingForPick);
        // Where the grid of the client area lies, by this test's own numbers.
        const ExpectedGrid expected = expectedGrid(form->clientWidth(), form->clientHeight(), size.count, size.rows);
        const int columns = size.count / size.rows;
        const QRect grid(expected.left, expected.top, columns * expected.cell, size.rows * expected.cell);
        const QRect table(0, 0, form->clientWidth(), form->clientHeight());
        QSet<QPoint> cells;
        for (int set : {20, 48, 80}) {
            tk::ImageArray& backs = backsOf(*form, set);
            for (int i = 1; i <= set; ++i) {
                if (set == count) {
                    QVERIFY(backs(i).Visible());
                    QCOMPARE(backs(i).size(), QSize(expected.cell, expected.cell));
                    QVERIFY(grid.contains(backs(i).geometry()));
                    // On a cell of the grid, one back to a cell.
                    const QPoint offset = backs(i).pos() - grid.topLeft();
                    QCOMPARE(offset.x() % expected.cell, 0);
                    QCOMPARE(offset.y() % expected.cell, 0);
                    cells.insert(backs(i).pos());
                } else {
                    QVERIFY2(!table.intersects(backs(i).geometry()), "a back of another size on the table");
                }
            }
        }
        QCOMPARE(int(cells.size()), count);
    }

private slots:
    void fromEachSizeToEachSize_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        for (int from : {20, 48, 80})
            for (int to : {20, 48, 80})
                QTest::newRow(qPrintable(QStringLiteral("%1 to %2").arg(from).arg(to))) << from << to;
    }
    void fromEachSizeToEachSize()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        choose(*form, from);
        // Half a game: a kept pair and a card up.
        clickBack(*form, 1);
        clickBack(*form, partnerOf(*form, 1));
        clickBack(*form, 2);
        QCOMPARE(facesUp(*form), 3);
        choose(*form, to);
        checkTableOf(to);
    }

    void eightyFirstChosenFromTwenty()
    {
        QCOMPARE(form->Img.UBound(), 20);
        form->ottanta->trigger();
        QCOMPARE(form->Img.UBound(), 80);
        checkTableOf(80);
    }

    void parkedSetsKeepTheirSize()
    {
        form->quarantotto_Click();
        const QSize cell48 = form->dorso48(1).size();
        form->venti_Click();
        for (int i = 1; i <= 48; ++i) {
            QCOMPARE(form->dorso48(i).pos(), QPoint(10000, 10000));
            QCOMPARE(form->dorso48(i).size(), cell48);
        }
        for (int i = 1; i <= 80; ++i)
            QCOMPARE(form->Dorso80(i).pos(), QPoint(10000, 10000));
        QVERIFY(!form->dorso48.element0().Visible());
        form->quarantotto_Click(); // back into the 6-row grid, each back in its new cell
        checkTableOf(48);
    }

    void sizeChosenDuringTheMismatchPause()
    {
        clickBack(*form, 1);
        clickBack(*form, strangerOf(*form, 1));
        QCOMPARE(form->phase(), Form1::Phase::MismatchPause);
        form->quarantotto_Click();
        QVERIFY(!form->Timer1.enabled());
        checkTableOf(48);
        form->Timer1.fire(); // a late tick of the old pause finds nothing to do
        checkTableOf(48);
    }

    void sizeChosenAfterTheLastPair()
    {
        for (int i = 1; i <= 10; ++i) {
            clickBack(*form, i);
            clickBack(*form, partnerOf(*form, i));
        }
        form->Timer1.fire();
        QCOMPARE(facesUp(*form), 20);
        form->venti_Click();
        checkTableOf(20);
        clickBack(*form, 3);
        QVERIFY(faceUp(*form, 3));
    }

    void sizeChosenDuringTheLastPairPause()
    {
        for (int i = 1; i <= 10; ++i) {
            clickBack(*form, i);
            clickBack(*form, partnerOf(*form, i));
        }
        QCOMPARE(form->phase(), Form1::Phase::EndPause);
        form->ottanta_Click();
        checkTableOf(80);
    }

    void sizeChoiceClosesTheBoxes()
    {
        form->inglese_Click(2);
        QVERIFY(form->Text2.Visible());
        form->venti_Click();
        QVERIFY(!form->Text1.Visible() && !form->Text2.Visible() && !form->Text3.Visible());
        form->menu_about_Click();
        form->ottanta_Click();
        QVERIFY(!form->Text3.Visible());
    }

    void tenThousandChoicesKeepStackAndMemoryFlat()
    {
        int returned = 0;
        std::set<std::uintptr_t> depths;
        for (tk::MenuItem* entry : {form->venti, form->quarantotto, form->ottanta})
            connect(entry, &tk::MenuItem::Click, this, [&] {
                int probe = 0;
                depths.insert(reinterpret_cast<std::uintptr_t>(&probe));
                ++returned;
            });
        // The songs' synthesizer grows as it plays; the memory watched here is the game's.
        form->nomusic_Click();
        long before = 0, residentBefore = 0;
        for (int i = 0; i < 10000; ++i) {
            if (i == 2000) {
                before = heapInUseKiB();
                residentBefore = residentKiB();
            }
            clickBack(*form, 1);
            clickBack(*form, strangerOf(*form, 1)); // each choice abandons a pause
            entryOf(*form, i % 3 == 0 ? 20 : i % 3 == 1 ? 48 : 80)->trigger();
            QCoreApplication::processEvents(); // as the game does after every choice
        }
        const long after = heapInUseKiB();
        QCOMPARE(returned, 10000);
        QCOMPARE(depths.size(), std::size_t(1));
        qInfo("after 2000 choices: heap %ld KiB, resident %ld KiB; after 10000: heap %ld KiB, resident %ld KiB",
              before, residentBefore, after, residentKiB());
        QVERIFY2(after - before < 1024, qPrintable(QStringLiteral("heap grew by %1 KiB").arg(after - before)));
        checkTableOf(20);
    }
};

QTEST_MAIN(TestTableSizes)
#include "tst_table_sizes.moc"
