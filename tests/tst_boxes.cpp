// The rules and info boxes: at most one is shown; each command shows its box or hides it.
#include "table_fixture.h"

using namespace testsupport;
using coppix::Form1;

namespace {
enum Box { None, Italian, English, Info };
}
Q_DECLARE_METATYPE(Box)

class TestBoxes : public TableTest {
    Q_OBJECT

    Box shown()
    {
        const int count = int(form->Text1.Visible()) + int(form->Text2.Visible()) + int(form->Text3.Visible());
        if (count > 1)
            return Box(-1);
        return form->Text1.Visible() ? Italian : form->Text2.Visible() ? English : form->Text3.Visible() ? Info : None;
    }
    void enter(Box state)
    {
        if (state == Italian)
            form->italiano_Click(1);
        else if (state == English)
            form->inglese_Click(2);
        else if (state == Info)
            form->menu_about_Click();
        QCOMPARE(shown(), state);
    }

private slots:
    void transitions_data()
    {
        QTest::addColumn<Box>("from");
        QTest::addColumn<QString>("event");
        QTest::addColumn<Box>("to");
        const QList<Box> states{None, Italian, English, Info};
        for (Box from : states) {
            const char* name[] = {"none", "Italian", "English", "info"};
            auto row = [&](const char* event, Box to) {
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(name[from], event))) << from << QString::fromLatin1(event) << to;
            };
            row("Italiano", from == Italian ? None : Italian);
            row("English", from == English ? None : English);
            row("Info", from == Info ? None : Info);
            if (from != None)
                row("click inside", None);
            row("card click", None);
            row("table size", None);
        }
    }
    void transitions()
    {
        QFETCH(Box, from);
        QFETCH(QString, event);
        QFETCH(Box, to);
        enter(from);
        if (event == QLatin1String("Italiano"))
            form->italiano(1).trigger();
        else if (event == QLatin1String("English"))
            form->inglese(2).trigger();
        else if (event == QLatin1String("Info"))
            form->menu_about->trigger();
        else if (event == QLatin1String("click inside"))
            emit (from == Italian ? form->Text1 : from == English ? form->Text2 : form->Text3).Click();
        else if (event == QLatin1String("card click"))
            clickBack(*form, 1);
        else
            form->venti->trigger();
        QCOMPARE(shown(), to);
    }

    void cardClickDuringThePauseStillClosesTheBox()
    {
        clickBack(*form, 1);
        clickBack(*form, strangerOf(*form, 1));
        form->menu_about_Click();
        clickBack(*form, partnerOf(*form, 1));
        QCOMPARE(shown(), None);
    }

    void realClickInsideABoxHidesIt()
    {
        fixture->start->hide(); // the offscreen platform keeps no window order
        QVERIFY(QTest::qWaitForWindowExposed(form));
        form->italiano_Click(1);
        QTest::mouseClick(form->Text1.viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(shown(), None);
    }

    void rulesTextsTellTheGame_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("Italian") << 1
                                 << QStringList{"famiglia", "bambini", "adulti", "80", "40 coppie", "48", "24 coppie",
                                                "20", "10 coppie", "fiori", "animali", "disegni", "coperte",
                                                "due carte", "uguali", "diverse", "a caso", "ricordare",
                                                "Dabrel Coppix", "VErdanticoPRess"};
        QTest::newRow("English") << 2
                                 << QStringList{"family", "children", "adults", "80", "40 pairs", "48", "24 pairs",
                                                "20", "10 pairs", "flowers", "animals", "drawings", "face down",
                                                "two cards", "equal", "different", "guesswork", "remember",
                                                "Dabrel Coppix", "VErdanticoPRess"};
    }
    void rulesTextsTellTheGame()
    {
        QFETCH(int, box);
        QFETCH(QStringList, words);
        const QString text = (box == 1 ? form->Text1 : form->Text2).text();
        for (const QString& word : words)
            QVERIFY2(text.contains(word, Qt::CaseInsensitive), qPrintable(word));
        QCOMPARE(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n")));
    }

    void infoBoxShowsTheStartScreensText()
    {
        QCOMPARE(form->Text3.text(), fixture->start->Text4.text());
        QCOMPARE(form->Text3.size(), QSize(193, 112));
    }
};

QTEST_MAIN(TestBoxes)
#include "tst_boxes.moc"
