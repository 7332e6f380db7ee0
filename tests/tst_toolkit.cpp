// The window layer: control arrays, shared pictures, menus, the timer, the random source,
// the program folder, and the windows' load, show and unload rules.
#include "testsupport.h"
#include "toolkit/app.h"
#include "toolkit/colour.h"
#include "toolkit/form.h"
#include "toolkit/image_array.h"
#include "toolkit/label.h"
#include "toolkit/menu.h"
#include "toolkit/text_box.h"
#include "toolkit/timer.h"

#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

namespace {

class CountingForm : public tk::Form {
public:
    int loads = 0, activations = 0, unloads = 0;
    std::function<void()> onUnload;

protected:
    void Form_Load() override { ++loads; }
    void Form_Activate() override { ++activations; }
    void Form_Unload(int&) override
    {
        ++unloads;
        if (onUnload)
            onUnload();
    }
};

} // namespace

class TestToolkit : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        tk::Program::reset();
        tk::Program::setEndAction([] {});
    }

    void loadMakesAHiddenCopyOfElementZero()
    {
        QWidget parent;
        tk::ImageArray array(&parent);
        const tk::Picture picture(QImage(10, 10, QImage::Format_RGB32));
        array.element0().setPicture(picture);
        array.element0().setStretch(true);
        array.element0().setGeometry(3, 4, 57, 57);
        array.element0().show();

        QVERIFY(array.Load(5));
        tk::ImageControl& copy = array(5);
        QVERIFY(!copy.Visible());
        QCOMPARE(copy.size(), QSize(57, 57));
        QVERIFY(copy.stretch());
        QCOMPARE(copy.picture().handle(), picture.handle());
        QCOMPARE(array.UBound(), 5);
        QVERIFY(!array.exists(3));
        QCOMPARE(array.count(), 2);
    }

    void loadingAnExistingElementFailsAndKeepsIt()
    {
        QWidget parent;
        tk::ImageArray array(&parent);
        QVERIFY(array.Load(1));
        array(1).Move(10, 20, 30, 30);
        array(1).show();
        QVERIFY(!array.Load(1));
        QVERIFY(!array.Load(0));
        QCOMPARE(array(1).geometry(), QRect(10, 20, 30, 30));
        QVERIFY(array(1).Visible());
    }

    void operationsOnMissingElementsArePassedOver()
    {
        QWidget parent;
        tk::ImageArray array(&parent);
        QVERIFY(!array.setVisible(7, true));
        QVERIFY(!array.Move(7, 1, 1));
        QVERIFY(array.at(7) == nullptr);
        QVERIFY(array.at(-1) == nullptr);
    }

    void moveKeepsWhatIsLeftOut_data()
    {
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("top");
        QTest::addColumn<QPoint>("place");
        QTest::newRow("whole") << 156.0 << 4.0 << QPoint(156, 4);
        QTest::newRow("half goes to even, down") << 2.5 << 600.5 << QPoint(2, 600);
        QTest::newRow("half goes to even, up") << 3.5 << 601.5 << QPoint(4, 602);
        QTest::newRow("park") << 10000.0 << 10000.0 << QPoint(10000, 10000);
        QTest::newRow("far park") << 100000.0 << 10000.0 << QPoint(100000, 10000);
    }
    void moveKeepsWhatIsLeftOut()
    {
        QFETCH(double, left);
        QFETCH(double, top);
        QFETCH(QPoint, place);
        QWidget parent;
        tk::ImageArray array(&parent);
        array.Load(1);
        array(1).Move(0, 0, 141, 141);
        array(1).Move(left, top);
        QCOMPARE(array(1).pos(), place);
        QCOMPARE(array(1).size(), QSize(141, 141));
    }

    void clickGivesTheIndex()
    {
        QWidget parent;
        parent.resize(300, 300);
        tk::ImageArray array(&parent);
        array.Load(1);
        array.Load(2);
        array(2).Move(50, 50, 40, 40);
        array(2).show();
        parent.show();
        QSignalSpy clicks(&array, &tk::ImageArray::Click);
        QTest::mouseClick(&array(2), Qt::LeftButton, {}, QPoint(20, 20));
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.at(0).at(0).toInt(), 2);
    }

    void picturesAreSharedObjectsWithHandles()
    {
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::red);
        const tk::Picture a(image);
        const tk::Picture b(image);
        const tk::Picture copyOfA = a;
        QVERIFY(a.handle() != 0);
        QCOMPARE(copyOfA.handle(), a.handle());
        QVERIFY(a.handle() != b.handle()); // same pixels, another object
        QCOMPARE(tk::Picture().handle(), 0);
        QVERIFY(tk::Picture::load(QStringLiteral("/nonexistent/picture.jpg")).isNull());
        QCOMPARE(a.stretched(QSize(20, 30)).size(), QSize(20, 30));
    }

    void menuMarkIsTheHandlersToSet()
    {
        QMenuBar bar;
        tk::Menu menu(&bar, QStringLiteral("&Options"));
        tk::MenuItem* item = menu.addCheckItem(QStringLiteral("20 cards"));
        QVERIFY(item->checkable());
        QVERIFY(item->action()->isCheckable());
        int clicks = 0;
        connect(item, &tk::MenuItem::Click, this, [&] { ++clicks; });
        item->trigger();
        QCOMPARE(clicks, 1);
        QVERIFY(!item->checked());
        QVERIFY(!item->action()->isChecked());
        item->setChecked(true);
        item->trigger();
        QVERIFY(item->checked());
        QVERIFY(item->action()->isChecked());
        QCOMPARE(item->caption(), QStringLiteral("20 cards"));
        item->setChecked(false);
        item->trigger();
        QVERIFY(!item->action()->isChecked());
    }

    void plainMenuEntriesDrawNoCheckBox()
    {
        QMenuBar bar;
        tk::Menu menu(&bar, QStringLiteral("&Rules"));
        tk::MenuItem* item = menu.addItem(QStringLiteral("Italiano"));
        tk::MenuItem* title = tk::addMenuTitle(&bar, QStringLiteral("&Info"), &bar);
        for (tk::MenuItem* entry : {item, title}) {
            int clicks = 0;
            connect(entry, &tk::MenuItem::Click, this, [&] { ++clicks; });
            QVERIFY(!entry->checkable());
            QVERIFY(!entry->action()->isCheckable());
            entry->trigger();
            entry->trigger();
            QCOMPARE(clicks, 2);
            QVERIFY(!entry->checked());
            QVERIFY(!entry->action()->isChecked());
        }
    }

    void menuArraysKeepTheirIndices()
    {
        QMenuBar bar;
        tk::Menu menu(&bar, QStringLiteral("&Rules"));
        tk::MenuArray english(2);
        english.append(menu.addItem(QStringLiteral("English")));
        QCOMPARE(english.UBound(), 2);
        QCOMPARE(english(2).caption(), QStringLiteral("English"));
    }

    void timerTicksWhileEnabled()
    {
        tk::Timer timer;
        QSignalSpy ticks(&timer, &tk::Timer::Tick);
        timer.fire();
        QCOMPARE(ticks.count(), 0); // disabled: no tick
        timer.setInterval(20);
        timer.setEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.count() >= 2, 2000);
        timer.setEnabled(false);
        const int seen = int(ticks.count());
        QTest::qWait(80);
        QCOMPARE(int(ticks.count()), seen);
    }

    void programFolderJoinsBackslashNames()
    {
        tk::App::setPath(QStringLiteral("/opt/game"));
        QCOMPARE(tk::App::file(QStringLiteral("\\carta.wav")), QStringLiteral("/opt/game/carta.wav"));
        QCOMPARE(tk::App::file(QStringLiteral("\\music\\Chill1.mid")), QStringLiteral("/opt/game/music/Chill1.mid"));
        QCOMPARE(tk::App::file(QStringLiteral("\\dabrel coppix.jpg")), QStringLiteral("/opt/game/dabrel coppix.jpg"));
        tk::App::setPath(QString());
        QVERIFY(!tk::App::Path().endsWith(QLatin1Char('/')));
        QCOMPARE(tk::App::Path(), QCoreApplication::applicationDirPath());
    }

    void showLoadsOnceAndActivatesOnlyWhenItComesToTheFront()
    {
        CountingForm a, b;
        a.Show();
        QCOMPARE(a.loads, 1);
        QCOMPARE(a.activations, 1);
        a.Show(); // already the active window
        QCOMPARE(a.activations, 1);
        b.Show();
        a.Show();
        QCOMPARE(a.loads, 1);
        QCOMPARE(a.activations, 2);
        QCOMPARE(tk::Form::activeForm(), &a);
    }

    // A window the desktop brings in front (its window list, a click on it) becomes the
    // program's front window without an activation; the program's Show of the other one
    // then activates that one, and a switch straight back activates nothing.
    void aWindowTheDesktopBringsInFrontIsTheFrontOne()
    {
        CountingForm a, b;
        a.Show();
        b.Show();
        QCOMPARE(b.activations, 1);
        a.activateWindow();
        QTRY_VERIFY(a.isActiveWindow());
        QCOMPARE(tk::Form::activeForm(), &a);
        QCOMPARE(a.activations, 1);
        b.activateWindow();
        QTRY_VERIFY(b.isActiveWindow());
        QCOMPARE(tk::Form::activeForm(), &b);
        QCOMPARE(b.activations, 1);
        a.activateWindow();
        QTRY_VERIFY(a.isActiveWindow());
        b.Show();
        QCOMPARE(b.activations, 2);
        QCOMPARE(a.activations, 1);
        QCOMPARE(tk::Form::activeForm(), &b);
    }

    void unloadRunsItsHandlerOnce()
    {
        CountingForm a;
        a.Show();
        a.onUnload = [&] { a.Unload(); }; // an unload under way is not started again
        a.Unload();
        QCOMPARE(a.unloads, 1);
        a.Unload();
        QCOMPARE(a.unloads, 1);
        CountingForm neverLoaded;
        neverLoaded.Unload();
        QCOMPARE(neverLoaded.unloads, 0);
    }

    void closingTheWindowUnloadsIt()
    {
        CountingForm a;
        a.Show();
        QVERIFY(a.close());
        QCOMPARE(a.unloads, 1);
    }

    void endStopsForGood()
    {
        int ends = 0;
        tk::Program::setEndAction([&] { ++ends; });
        tk::Program::End();
        tk::Program::End();
        QCOMPARE(ends, 1);
        QVERIFY(tk::Program::ended());
        CountingForm late;
        late.Show();
        QCOMPARE(late.loads, 0);
    }

    void fullScreenWindowCoversTheScreen()
    {
        tk::Form form;
        form.menuBar()->addMenu(QStringLiteral("&Rules"));
        form.sizeToScreen();
        const QRect screen = form.screen()->geometry();
        QCOMPARE(form.geometry(), screen);
        QCOMPARE(form.clientWidth(), screen.width());
        QCOMPARE(form.clientHeight(), screen.height() - form.menuBar()->sizeHint().height());
        QCOMPARE(form.client()->geometry().top(), form.menuBar()->sizeHint().height());
    }

    void bareBackgroundAloneReportsMouseMoves()
    {
        struct MoveForm : tk::Form {
            int moves = 0;
            void Form_MouseMove() override { ++moves; }
        } form;
        form.resize(400, 300);
        tk::Label label(form.client(), QStringLiteral("Exit"));
        label.setGeometry(10, 10, 74, 37);
        tk::TextBox box(form.client());
        box.setGeometry(200, 10, 150, 100);
        box.show();
        label.show();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        int labelMoves = 0;
        connect(&label, &tk::Label::MouseMove, this, [&] { ++labelMoves; });

        QTest::mouseMove(form.client(), QPoint(150, 200));
        QTRY_COMPARE(form.moves, 1);
        QTest::mouseMove(&label, QPoint(5, 5));
        QTRY_COMPARE(labelMoves, 1);
        QTest::mouseMove(box.viewport(), QPoint(20, 20));
        QTest::qWait(20);
        QCOMPARE(form.moves, 1);
    }

    void colourValuesAreBlueGreenRed()
    {
        QCOMPARE(tk::colourFromBgr(0x00FF0000), QColor(0, 0, 255));
        QCOMPARE(tk::colourFromBgr(tk::Orange), QColor(255, 128, 0));
        QCOMPARE(tk::colourFromBgr(tk::Yellow), QColor(255, 255, 0));
        QCOMPARE(tk::colourFromBgr(0x00C0FFFF), QColor(255, 255, 192));
    }
};

QTEST_MAIN(TestToolkit)
#include "tst_toolkit.moc"
