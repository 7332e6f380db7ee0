// The shuffle: a permutation of 1..N drawn slot by slot, reseeded at every call.
#include "table_fixture.h"

#include <deque>

using namespace testsupport;

class TestShuffle : public TableTest {
    Q_OBJECT

private slots:
    void permutationOfOneToN_data()
    {
        QTest::addColumn<int>("n");
        for (int n : {1, 2, 20, 40, 48, 80})
            QTest::newRow(qPrintable(QString::number(n))) << n;
    }
    void permutationOfOneToN()
    {
        QFETCH(int, n);
        for (int round = 0; round < 20; ++round) {
            form->Mescola(coppix::Integer(n));
            QSet<int> seen;
            for (int i = 1; i <= n; ++i) {
                const int v = form->cardOrder[std::size_t(i)];
                QVERIFY2(v >= 1 && v <= n, qPrintable(QStringLiteral("value %1 at %2").arg(v).arg(i)));
                seen.insert(v);
            }
            QCOMPARE(seen.size(), n);
            for (int i = 0; i <= 80; ++i)
                QCOMPARE(form->drawPool[std::size_t(i)], coppix::Integer(0));
        }
    }

    void entriesPastNAreLeftAlone()
    {
        form->cardOrder[0] = 77;
        form->drawPool[0] = 55;
        form->Mescola(40);
        const auto before = form->cardOrder;
        form->Mescola(20);
        for (int i = 21; i <= 80; ++i)
            QCOMPARE(form->cardOrder[std::size_t(i)], before[std::size_t(i)]);
        QCOMPARE(form->cardOrder[0], coppix::Integer(77));
        QCOMPARE(form->drawPool[0], coppix::Integer(55));
    }

    void aTakenSlotIsDrawnAgainForTheSamePlace()
    {
        // Draws for m = 4: slot 3, slot 3 again (taken: no change), then 1, 4, 2.
        std::deque<float> draws{0.5f, 0.55f, 0.0f, 0.99f, 0.3f};
        int drawn = 0;
        form->random.setSource([&] {
            ++drawn;
            const float r = draws.front();
            draws.pop_front();
            return r;
        });
        form->Mescola(4);
        form->random.setSource({});
        QCOMPARE(drawn, 5);
        const std::array<coppix::Integer, 4> expected{3, 1, 4, 2};
        for (int i = 1; i <= 4; ++i)
            QCOMPARE(form->cardOrder[std::size_t(i)], expected[std::size_t(i - 1)]);
    }

    void theLargestDrawStaysInRange()
    {
        // The largest single-precision value below one must still land in slot m.
        const float below = std::nextafter(1.0f, 0.0f);
        std::deque<float> draws{below, 0.0f};
        form->random.setSource([&] {
            const float r = draws.front();
            draws.pop_front();
            return r;
        });
        form->Mescola(2);
        form->random.setSource({});
        QCOMPARE(form->cardOrder[1], coppix::Integer(2));
        QCOMPARE(form->cardOrder[2], coppix::Integer(1));
    }

    void everyCallReseeds()
    {
        const int before = form->random.reseedCount();
        form->Mescola(20);
        QCOMPARE(form->random.reseedCount(), before + 1);
        form->Mescola(0); // nothing to draw, but still reseeded
        QCOMPARE(form->random.reseedCount(), before + 2);
        form->Main();
        QCOMPARE(form->random.reseedCount(), before + 4); // a deal shuffles twice
    }

    void dealsDiffer()
    {
        // Two deals a moment apart are seeded apart: the grid order differs.
        form->Main();
        const auto first = form->cardOrder;
        form->venti_Click();
        QVERIFY(first != form->cardOrder);
    }
};

QTEST_MAIN(TestShuffle)
#include "tst_shuffle.moc"
