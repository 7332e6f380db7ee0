// The start screen: its layout and look, the info box, the hover colours, and the ways
// into the game and out of the program.
#include "audio/audio_system.h"
#include "start/start_picture.h"
#include "table_fixture.h"
#include "toolkit/colour.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

using namespace testsupport;
using coppix::frmmain;

namespace {

// A small picture as a PNG file: signature, IHDR, IDAT, IEND.
QByteArray smallPng()
{
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The header of a PNG chunk that claims `length` bytes of data.
QByteArray pngChunkHeader(quint32 length, const char* type)
{
    QByteArray header(4, '\0');
    qToBigEndian(length, header.data());
    return header + QByteArray(type, 4);
}

// A 256-colour run-length BMP that ends at once: a few bytes however large the picture
// says it is. Only good for its size: Qt leaves the pixels of such a picture unset.
QByteArray emptyRleBmp(qint32 width, qint32 height)
{
    QByteArray info(40, '\0');
    qToLittleEndian<quint32>(40, info.data());
    qToLittleEndian<qint32>(width, info.data() + 4);
    qToLittleEndian<qint32>(height, info.data() + 8);
    qToLittleEndian<quint16>(1, info.data() + 12);  // planes
    qToLittleEndian<quint16>(8, info.data() + 14);  // bits a pixel
    qToLittleEndian<quint32>(1, info.data() + 16);  // RLE8
    qToLittleEndian<quint32>(2, info.data() + 32);  // colours
    const QByteArray palette("\0\0\0\0\xff\xff\xff\0", 8);
    const QByteArray data("\0\x01", 2); // end of picture
    QByteArray file(14, '\0');
    file[0] = 'B';
    file[1] = 'M';
    qToLittleEndian<quint32>(quint32(14 + info.size() + palette.size() + data.size()), file.data() + 2);
    qToLittleEndian<quint32>(quint32(14 + info.size() + palette.size()), file.data() + 10);
    return file + info + palette + data;
}

} // namespace

class TestStartScreen : public QObject {
    Q_OBJECT

    std::unique_ptr<TableFixture> fixture;
    frmmain* start = nullptr;

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

    void labelsOnA1024x768Screen()
    {
        const coppix::StartLayout layout = coppix::startLayout(1024, 768);
        QCOMPARE(layout.infoLeft, 128.0f);
        QCOMPARE(layout.playLeft, 426.66666f);
        QCOMPARE(layout.quitLeft, 896.0f);
        QVERIFY(qAbs(layout.top - 681.6) < 1e-9);
    }

    void asDesigned()
    {
        open();
        QCOMPARE(start->windowTitle(), QStringLiteral("VErdanticoPRess  -  Coppix"));
        QCOMPARE(start->size(), start->screen()->geometry().size());
        QVERIFY(!start->windowIcon().isNull());
        for (tk::Label* label : {&start->lblInfo, &start->lblplay, &start->lblquit})
            QCOMPARE(label->foreColor(), tk::Yellow);
        QCOMPARE(start->lblInfo.caption(), QStringLiteral("Info"));
        QCOMPARE(start->lblplay.caption(), QStringLiteral("Play"));
        QCOMPARE(start->lblquit.caption(), QStringLiteral("Quit"));
        QCOMPARE(start->lblplay.size(), QSize(153, 33));
        QCOMPARE(start->lblquit.size(), QSize(74, 37));
        QCOMPARE(start->Text4.geometry(), QRect(10, 0, 193, 112));
        QVERIFY(!start->Text4.Visible());
        const coppix::StartLayout layout =
            coppix::startLayout(float(start->clientWidth()), float(start->clientHeight()));
        QCOMPARE(start->lblplay.pos(), QPoint(tk::toPixel(layout.playLeft), tk::toPixel(layout.top)));
        QCOMPARE(start->lblInfo.pos(), QPoint(tk::toPixel(layout.infoLeft), tk::toPixel(layout.top)));
        QCOMPARE(start->lblquit.pos(), QPoint(tk::toPixel(layout.quitLeft), tk::toPixel(layout.top)));
        // Nothing of the game exists before "Play". (This runs before any "Play" of this
        // test program: sound, once started, stays started for the process.)
        QVERIFY(start->table() == nullptr);
        QVERIFY(!audio::AudioSystem::instance().started());
    }

    void versionLineAndLineEnds()
    {
        open();
        const QString text = start->Text4.text();
        const QString version = QStringLiteral("                Coppix ver. 2.2                 ");
        QCOMPARE(version.size(), 48);
        QVERIFY(text.startsWith(version + QStringLiteral("\r\n")));
        QVERIFY(text.endsWith(QStringLiteral("\r\n")));
        QCOMPARE(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n")));
        QCOMPARE(text.count(QLatin1Char('\r')), text.count(QStringLiteral("\r\n")));
        QVERIFY(text.count(QStringLiteral("\r\n")) >= 2);
    }

    void infoBoxShowsAndHides()
    {
        open();
        start->lblInfo_Click();
        QVERIFY(start->Text4.Visible());
        start->lblInfo_Click();
        QVERIFY(!start->Text4.Visible());
        start->lblInfo_Click();
        start->Text4_Click();
        QVERIFY(!start->Text4.Visible());
        start->lblInfo_Click();
        start->Form_Click();
        QVERIFY(!start->Text4.Visible());
        start->Form_Click(); // hidden already: stays hidden
        QVERIFY(!start->Text4.Visible());
        // "Play" and the table leave it as it was.
        start->lblInfo_Click();
        fixture->play();
        QVERIFY(start->Text4.Visible());
    }

    void realClicksReachTheRightHandlers()
    {
        open();
        QVERIFY(QTest::qWaitForWindowExposed(start));
        QTest::mouseClick(&start->lblInfo, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(start->Text4.Visible());
        QTest::mouseClick(start->Text4.viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!start->Text4.Visible());
        QTest::mouseClick(&start->lblInfo, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseClick(start->client(), Qt::LeftButton, {}, QPoint(start->clientWidth() / 2, 300));
        QVERIFY(!start->Text4.Visible());
    }

    void hoverColours()
    {
        open();
        QVERIFY(QTest::qWaitForWindowExposed(start));
        QTest::mouseMove(&start->lblplay, QPoint(5, 5));
        QTRY_COMPARE(start->lblplay.foreColor(), tk::Orange);
        QCOMPARE(start->lblquit.foreColor(), tk::Yellow);
        QTest::mouseMove(&start->lblquit, QPoint(5, 5));
        QTRY_COMPARE(start->lblquit.foreColor(), tk::Orange);
        QCOMPARE(start->lblplay.foreColor(), tk::Orange); // no move over the background yet
        QTest::mouseMove(start->client(), QPoint(start->clientWidth() / 2, 200));
        QTRY_COMPARE(start->lblplay.foreColor(), tk::Yellow);
        QCOMPARE(start->lblquit.foreColor(), tk::Yellow);
        QCOMPARE(start->lblInfo.foreColor(), tk::Yellow);

        // From a label straight onto the info box: the label stays orange.
        start->lblInfo_Click();
        QTest::mouseMove(&start->lblInfo, QPoint(5, 5));
        QTRY_COMPARE(start->lblInfo.foreColor(), tk::Orange);
        QTest::mouseMove(start->Text4.viewport(), QPoint(30, 30));
        QTest::qWait(30);
        QCOMPARE(start->lblInfo.foreColor(), tk::Orange);
    }

    void quitBeforePlayNeverOpensTheTable()
    {
        open();
        start->lblquit_Click();
        QCOMPARE(fixture->endings, 1);
        QVERIFY(start->table() == nullptr);
        QVERIFY(!start->loaded());
    }

    void closingTheStartScreenIsQuit()
    {
        open();
        QVERIFY(start->close());
        QCOMPARE(fixture->endings, 1);
        QVERIFY(start->table() == nullptr);
    }

    void playOpensOneTableAndDealsAgainEachTime()
    {
        open();
        coppix::Form1& table = fixture->play();
        QCOMPARE(tk::Form::activeForm(), &table);
        QVERIFY(start->loaded());
        QVERIFY(table.isVisible());
        const std::int32_t firstFace = table.Img(1).picture().handle();
        const auto firstOrder = table.game().cardOrder;
        start->Show();
        coppix::Form1& again = fixture->play();
        QCOMPARE(&again, &table);
        QVERIFY(firstOrder != again.game().cardOrder || firstFace != again.Img(1).picture().handle());
        QCOMPARE(again.phase(), coppix::Form1::Phase::WaitingForPick);
    }

    void quitAfterPlayClosesBothDevicesFirst()
    {
        open();
        coppix::Form1& table = fixture->play();
        QVERIFY(table.MMCw.mode() != audio::MediaDevice::Mode::Closed);
        start->Show();
        start->lblquit_Click();
        QCOMPARE(fixture->endings, 1);
        QCOMPARE(table.MMC1.mode(), audio::MediaDevice::Mode::Closed);
        QCOMPARE(table.MMCw.mode(), audio::MediaDevice::Mode::Closed);
        QVERIFY(!table.loaded() && !start->loaded());
    }

    void closingTheTableEndsTheProgram()
    {
        open();
        coppix::Form1& table = fixture->play();
        clickBack(table, 1);
        clickBack(table, strangerOf(table, 1)); // in the middle of a pause
        QVERIFY(table.close());
        QCOMPARE(fixture->endings, 1);
        QCOMPARE(table.MMC1.mode(), audio::MediaDevice::Mode::Closed);
        QCOMPARE(table.MMCw.mode(), audio::MediaDevice::Mode::Closed);
        QVERIFY(!start->loaded());
    }

    void startPictureFillsTheScreen()
    {
        open();
        QVERIFY(start->pictureShown());
        const QImage shown = start->client()->grab().toImage();
        const QRgb green = tk::bgrToRgb(frmmain::darkGreen);
        int greenPixels = 0;
        for (int y = 0; y < shown.height(); y += 16)
            for (int x = 0; x < shown.width(); x += 16)
                greenPixels += shown.pixel(x, y) == green ? 1 : 0;
        QCOMPARE(greenPixels, 0); // no band of the back colour left
    }

    void missingOrBrokenStartPicture_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("present");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray() << true;
        QTest::newRow("garbage") << QByteArray("not a picture at all\x01\x02", 22) << true;
        QTest::newRow("truncated JPEG") << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00\x01", 13) << true;
        const QByteArray png = smallPng();
        QTest::newRow("PNG chunk claiming 256 MB")
            << png.left(png.size() - 12) + pngChunkHeader(0x10000000, "zTXt") + "x" << true;
    }
    void missingOrBrokenStartPicture()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, present);
        QTemporaryDir folder;
        if (present) {
            QFile file(folder.filePath(QStringLiteral("dabrel coppix.jpg")));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        open(folder.path());
        QVERIFY(!start->pictureShown());
        QVERIFY(start->isVisible());
        const QImage shown = start->client()->grab().toImage();
        QCOMPARE(shown.pixel(shown.width() / 2, shown.height() / 2), tk::bgrToRgb(frmmain::darkGreen));
        // The game works as before.
        coppix::Form1& table = fixture->play();
        clickBack(table, 1);
        QVERIFY(faceUp(table, 1));
    }

    // What the start screen makes of a picture, from a file as the game reads it and from
    // bytes alike: read, or refused with the reason it prints.
    void startPictureReadOrRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("refusal"); // empty: the picture is read

        const QString pastEnd = QStringLiteral("a PNG chunk runs past the end of the file");
        const QString tooLarge = QStringLiteral("picture too large");
        const QByteArray png = smallPng();
        const QByteArray head = png.left(33); // signature and IHDR
        const QByteArray withoutEnd = png.left(png.size() - 12);
        QTest::newRow("PNG") << png << QString();
        QTest::newRow("PNG with bytes after its end") << png + "trailing" << QString();
        QTest::newRow("PNG without its last CRC") << png.left(png.size() - 4) << QString();
        // libpng allocates and clears what a chunk claims before it finds the file ends:
        // such a file is refused before it gets there.
        QTest::newRow("PNG text chunk claiming 256 MB before the pixels")
            << head + pngChunkHeader(0x10000000, "tEXt") + "Comment" << pastEnd;
        QTest::newRow("PNG text chunk claiming 256 MB after the pixels")
            << withoutEnd + pngChunkHeader(0x10000000, "zTXt") + "x" << pastEnd;
        QTest::newRow("PNG cut in its pixels") << png.left(png.size() - 20) << pastEnd;
        QTest::newRow("BMP of 8193 x 8192") << emptyRleBmp(8193, 8192) << tooLarge;
        QTest::newRow("top-down BMP of 8193 x 8192") << emptyRleBmp(8193, -8192) << tooLarge;
    }
    void startPictureReadOrRefused()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, refusal);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("dabrel coppix.jpg"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(content), content.size());
        file.close();

        QString fromFile = QStringLiteral("untouched");
        QString fromBytes = QStringLiteral("untouched");
        const QImage loaded = coppix::loadStartPicture(path, &fromFile);
        const QImage decoded = coppix::decodeStartPicture(content, &fromBytes);
        if (refusal.isEmpty()) {
            QVERIFY(!loaded.isNull());
            QCOMPARE(decoded, loaded);
            QCOMPARE(fromFile, QStringLiteral("untouched"));
            QCOMPARE(fromBytes, QStringLiteral("untouched"));
        } else {
            QVERIFY(loaded.isNull());
            QVERIFY(decoded.isNull());
            QCOMPARE(fromFile, refusal);
            QCOMPARE(fromBytes, refusal);
        }
    }
};

QTEST_MAIN(TestStartScreen)
#include "tst_start_screen.moc"
