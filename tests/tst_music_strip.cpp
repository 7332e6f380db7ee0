// The music strip of the table: it follows the mode its device reports, greys out the
// buttons that make no sense in it, sends the device its commands, and draws its glyphs.
#include "audio/media_device.h"
#include "table/music_strip.h"
#include "tst_audio_fixtures.h"

#include <QImage>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>

using audio::MediaDevice;
using Mode = audio::MediaDevice::Mode;
using coppix::MusicStrip;
using coppix::StripButton;
using Glyph = coppix::StripButton::Glyph;

class TestMusicStrip : public QObject, private fixtures::SoundFolder {
    Q_OBJECT
private slots:
    void initTestCase();
    void stripFollowsTheDevice();
    void eitherMayGoFirst();
    void stripDrawsItsGlyphs();
};

void TestMusicStrip::initTestCase()
{
    QVERIFY(isValid());
    QVERIFY(write("card.wav", fixtures::toneWav(300)));
}

void TestMusicStrip::stripFollowsTheDevice()
{
    QWidget table;
    table.resize(640, 480);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));
    MusicStrip strip(&table);
    strip.setGeometry(384, 128, 64, 18);
    MediaDevice device;
    device.setFileName(file("card.wav"));
    device.setCommand(QStringLiteral("open"));
    strip.control(device);  // takes the mode the device is in already

    auto enabled = [&] {
        QString s;
        for (Glyph g : {Glyph::Play, Glyph::Pause, Glyph::Stop})
            s += strip.button(g)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    };
    auto click = [&](Glyph g) {
        StripButton* button = strip.button(g);
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    };
    QCOMPARE(enabled(), QStringLiteral("100"));
    click(Glyph::Play);
    QCOMPARE(device.mode(), Mode::Playing);
    QCOMPARE(enabled(), QStringLiteral("011"));
    click(Glyph::Pause);
    QCOMPARE(device.mode(), Mode::Paused);
    QCOMPARE(enabled(), QStringLiteral("101"));
    click(Glyph::Play);
    QCOMPARE(device.mode(), Mode::Playing);
    click(Glyph::Stop);
    QCOMPARE(device.mode(), Mode::Stopped);
    QCOMPARE(enabled(), QStringLiteral("100"));
    click(Glyph::Stop);  // greyed out: nothing
    QCOMPARE(device.mode(), Mode::Stopped);
    // The device driven by the game, not by the strip: the strip follows all the same,
    // also to the end of a play.
    device.setCommand(QStringLiteral("play"));
    QCOMPARE(enabled(), QStringLiteral("011"));
    QTRY_COMPARE_WITH_TIMEOUT(enabled(), QStringLiteral("100"), 3000);
    device.setCommand(QStringLiteral("close"));
    QCOMPARE(enabled(), QStringLiteral("000"));
}

void TestMusicStrip::eitherMayGoFirst()
{
    // The device goes first: the strip greys out and its buttons send nothing.
    QWidget table;
    MusicStrip strip(&table);
    {
        MediaDevice device;
        device.setFileName(file("card.wav"));
        device.setCommand(QStringLiteral("open"));
        strip.control(device);
        QVERIFY(strip.button(Glyph::Play)->isEnabled());
    }
    QVERIFY(!strip.button(Glyph::Play)->isEnabled());
    emit strip.playClicked();

    // The strip goes first, with its table: the device lives on.
    auto parent = std::make_unique<QWidget>();
    QPointer<MusicStrip> gone = new MusicStrip(parent.get());
    MediaDevice device;
    gone->control(device);
    parent.reset();
    QVERIFY(!gone);
    device.setFileName(file("card.wav"));
    device.setCommand(QStringLiteral("open"));
    device.setCommand(QStringLiteral("play"));
    QCOMPARE(device.mode(), Mode::Playing);
}

void TestMusicStrip::stripDrawsItsGlyphs()
{
    QWidget table;
    MusicStrip strip(&table);
    strip.setGeometry(0, 0, 63, 18);
    table.show();
    QVERIFY(QTest::qWaitForWindowExposed(&table));

    // Points of the 21x18 button: the plain face beside the glyph, and three points of the
    // glyph's 9x9 box: its centre, its top right corner, the middle of its left side.
    struct Expect {
        Glyph glyph;
        bool centre, topRight, left;
    };
    const Expect expected[] = {
        {Glyph::Play, true, false, true},   // a triangle pointing right
        {Glyph::Pause, false, true, true},  // two bars with a gap
        {Glyph::Stop, true, true, true},    // a square
    };
    for (const Expect& e : expected) {
        strip.setMode(e.glyph == Glyph::Pause ? Mode::Playing : Mode::Paused);
        StripButton* button = strip.button(e.glyph);
        QVERIFY(button->isEnabled());
        QCOMPARE(button->size(), QSize(21, 18));
        const QImage image = button->grab().toImage();
        const int face = qGray(image.pixel(2, 9));
        auto inked = [&](int x, int y) { return qAbs(qGray(image.pixel(x, y)) - face) > 60; };
        const char* glyph = e.glyph == Glyph::Play ? "play" : e.glyph == Glyph::Pause ? "pause" : "stop";
        QVERIFY2(inked(10, 9) == e.centre, glyph);
        QVERIFY2(inked(13, 6) == e.topRight, glyph);
        QVERIFY2(inked(7, 9) == e.left, glyph);
    }
}

QTEST_MAIN(TestMusicStrip)
#include "tst_music_strip.moc"
