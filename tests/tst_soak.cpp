// A long, seeded run of random player actions on the real windows, with the game's promises
// checked after every step. On a failure it names the seed and the step, so that
//   COPPIX_SOAK_SEED=<seed> tst_soak
// replays it.
#include "table_fixture.h"

#include <QRandomGenerator>

using namespace testsupport;
using coppix::Form1;

namespace {

struct Soak {
    TableFixture& fixture;
    Form1& form;
    QRandomGenerator random;
    QString last;

    int pick(int n) { return int(random.bounded(n)); }

    void act()
    {
        coppix::frmmain& start = *fixture.start;
        const bool atTable = tk::Form::activeForm() == &form;
        const int roll = pick(100);
        if (!atTable) {
            // At the start screen: mostly back to the table.
            if (roll < 60) {
                last = QStringLiteral("Play");
                start.lblplay_Click();
            } else if (roll < 75) {
                last = QStringLiteral("Info on the start screen");
                start.lblInfo_Click();
            } else if (roll < 85) {
                last = QStringLiteral("start screen background");
                start.Form_Click();
                start.Form_MouseMove();
            } else if (roll < 92) {
                last = QStringLiteral("a tick behind the start screen");
                form.Timer1.fire();
            } else {
                last = QStringLiteral("move over Play");
                start.lblplay_MouseMove();
            }
            return;
        }
        if (roll < 45) {
            // A back of any set, as a player's click would reach it (or not, when parked).
            tk::ImageArray* sets[] = {&form.dorso20, &form.dorso48, &form.Dorso80};
            tk::ImageArray& set = *sets[pick(3)];
            const int i = 1 + pick(set.UBound());
            last = QStringLiteral("click on back %1 of the %2-card set").arg(i).arg(set.UBound());
            const QRect table(0, 0, form.game().tableWidth(), form.game().tableHeight());
            if (set(i).Visible() && table.intersects(set(i).geometry()))
                emit set.Click(i);
        } else if (roll < 52) {
            last = QStringLiteral("tick of the timer");
            form.Timer1.fire();
        } else if (roll < 56) {
            last = QStringLiteral("Exit");
            emit form.lblquit.Click();
        } else if (roll < 64) {
            tk::MenuItem* sizes[] = {form.venti, form.quarantotto, form.ottanta};
            tk::MenuItem* entry = sizes[pick(3)];
            last = entry->caption();
            entry->trigger();
        } else if (roll < 74) {
            tk::MenuItem* boxes[] = {&form.italiano(1), &form.inglese(2), form.menu_about};
            tk::MenuItem* entry = boxes[pick(3)];
            last = entry->caption();
            entry->trigger();
        } else if (roll < 80) {
            tk::TextBox* boxes[] = {&form.Text1, &form.Text2, &form.Text3};
            tk::TextBox* box = boxes[pick(3)];
            last = QStringLiteral("click inside a box");
            if (box->Visible())
                emit box->Click();
        } else if (roll < 84) {
            last = QStringLiteral("card rustle");
            form.cards->trigger();
        } else if (roll < 90) {
            const int k = pick(12);
            if (k < 10) {
                last = form.canzoni(k + 1).caption();
                form.canzoni(k + 1).trigger();
            } else if (k == 10) {
                last = QStringLiteral("sequential mode");
                form.all->trigger();
            } else {
                last = QStringLiteral("no music");
                form.nomusic->trigger();
            }
        } else if (roll < 95) {
            last = QStringLiteral("mouse moves");
            form.lblquit_MouseMove();
            form.Form_MouseMove();
        } else {
            last = QStringLiteral("events");
            QCoreApplication::processEvents();
        }
    }

    // Empty when every promise holds, else what broke.
    QString check()
    {
        const int count = form.game().cardCount();
        QList<int> up;
        for (int i = 1; i <= form.Img.UBound(); ++i)
            if (form.Img(i).Visible())
                up << i;
        for (int i : up)
            if (i > count)
                return QStringLiteral("face %1 up on a %2-card table").arg(i).arg(count);
        QList<int> attempt;
        for (int c : {int(form.game().firstCard()), int(form.game().secondCard())})
            if (c != 0)
                attempt << c;
        const std::vector<int> partner = partners(form);
        int kept = 0;
        for (int i : up) {
            if (attempt.contains(i))
                continue;
            const int p = partner[std::size_t(i)];
            if (p == 0 || !up.contains(p) || attempt.contains(p))
                return QStringLiteral("card %1 is up without its partner").arg(i);
            ++kept;
        }
        if (up.size() - kept > 2)
            return QStringLiteral("%1 cards of an attempt are up").arg(up.size() - kept);
        for (int c : attempt)
            if (!up.contains(c) && form.game().tableState() == coppix::Game::playing && tk::Form::activeForm() == &form)
                return QStringLiteral("picked card %1 is not up").arg(c);
        // After "Exit" the table is empty until the next deal, and the count waits for it.
        tk::ImageArray* backs = form.backsInUse();
        const bool left = backs && (*backs)(1).pos().x() >= 100000;
        if (left && !up.isEmpty())
            return QStringLiteral("a face is up on a table that was left");
        const bool finished = kept == count;
        if (!left && !(form.game().foundCards() == kept || (finished && form.game().foundCards() == 0)))
            return QStringLiteral("foundCards %1 with %2 kept cards").arg(form.game().foundCards()).arg(kept);

        const int checkedSizes = int(form.venti->checked()) + int(form.quarantotto->checked()) + int(form.ottanta->checked());
        if (checkedSizes != 1)
            return QStringLiteral("%1 sizes checked").arg(checkedSizes);
        const bool sizeAgrees = (form.venti->checked() && count == 20 && form.game().rowCount() == 4) ||
                                (form.quarantotto->checked() && count == 48 && form.game().rowCount() == 6) ||
                                (form.ottanta->checked() && count == 80 && form.game().rowCount() == 8);
        if (!sizeAgrees)
            return QStringLiteral("size mark disagrees with %1 cards in %2 rows").arg(count).arg(form.game().rowCount());

        const int boxes = int(form.Text1.Visible()) + int(form.Text2.Visible()) + int(form.Text3.Visible());
        if (boxes > 1)
            return QStringLiteral("%1 boxes shown").arg(boxes);

        int songMarks = 0, marked = 0;
        for (int i = 1; i <= form.canzoni.UBound(); ++i)
            if (form.canzoni(i).checked()) {
                ++songMarks;
                marked = i;
            }
        const bool sequential = form.all->checked() && !form.nomusic->checked() && songMarks == 1 && marked == form.currentSong;
        const bool repeat = !form.all->checked() && !form.nomusic->checked() && songMarks == 1 && form.currentSong == 0;
        const bool silent = !form.all->checked() && form.nomusic->checked() && songMarks == 0 && form.currentSong == 0;
        if (!(sequential || repeat || silent))
            return QStringLiteral("music marks in no pattern");

        const bool soundOpen = form.MMCw.mode() != audio::MediaDevice::Mode::Closed;
        if (form.cards->checked() != soundOpen)
            return QStringLiteral("card rustle mark disagrees with its device");
        return {};
    }
};

} // namespace

class TestSoak : public QObject {
    Q_OBJECT

private slots:
    void randomPlay_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("steps");
        const QByteArray chosen = qgetenv("COPPIX_SOAK_SEED");
        if (!chosen.isEmpty()) {
            QTest::newRow("chosen seed") << quint32(chosen.toUInt()) << 20000;
            return;
        }
        for (quint32 seed : {1u, 2u, 3u, 20261210u})
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed << 8000;
    }
    void randomPlay()
    {
        QFETCH(quint32, seed);
        QFETCH(int, steps);
        TableFixture fixture;
        Form1& form = fixture.play();
        Soak soak{fixture, form, QRandomGenerator(seed), {}};
        for (int step = 1; step <= steps; ++step) {
            soak.act();
            const QString broken = soak.check();
            if (!broken.isEmpty())
                QFAIL(qPrintable(QStringLiteral("seed %1, step %2 (%3): %4").arg(seed).arg(step).arg(soak.last, broken)));
            QCOMPARE(fixture.endings, 0);
        }
    }
};

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
