// The program run from a folder whose name the system gives as bytes that are not UTF-8
// (old archives, FAT mounts): it still reads its files from that folder, and from no other.
#include "x11/game.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>
#include <QtEndian>

#include <filesystem>

using namespace e2e;
namespace fs = std::filesystem;

namespace {
constexpr int screenW = 1024, screenH = 768;
const QString buildDir = QFileInfo(QStringLiteral(COPPIX_BINARY)).absolutePath();
} // namespace

class TestFolders : public QObject {
    Q_OBJECT

private slots:
    void programFolderNamedInAnyBytes_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("UTF-8 (caf\\xc3\\xa9)") << QByteArray("caf\xc3\xa9");
        QTest::newRow("Latin-1 (caf\\xe9)") << QByteArray("caf\xe9");
        QTest::newRow("Latin-1, then a folder") << QByteArray("caf\xe9/gioco");
    }
    void programFolderNamedInAnyBytes()
    {
        QFETCH(QByteArray, name);
        QTemporaryDir base;
        QVERIFY(base.isValid());
        // The program is copied (the system names the folder of the file it runs), its
        // files are linked; Qt cannot name the folder, so paths are built from bytes.
        const fs::path folder = fs::path(QFile::encodeName(base.path()).toStdString()) / name.toStdString();
        fs::create_directories(folder);
        // QTemporaryDir cannot name what lies inside either: it is removed here.
        const auto removeFolder = qScopeGuard([&] {
            std::error_code ignored;
            fs::remove_all(fs::path(QFile::encodeName(base.path()).toStdString()) / name.left(name.indexOf('/')).toStdString(), ignored);
        });
        fs::copy_file(QFile::encodeName(QStringLiteral(COPPIX_BINARY)).toStdString(), folder / "coppix");
        for (const char* file : {"carta.wav", "music", "dabrel coppix.jpg"})
            fs::create_symlink(QFile::encodeName(buildDir + QLatin1Char('/') + QLatin1String(file)).toStdString(),
                               folder / file);
        // Started through a link of a plain name (QProcess takes names as text).
        fs::create_symlink(folder / "coppix", QFile::encodeName(base.filePath(QStringLiteral("run"))).toStdString());

        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        const QString raw = base.filePath(QStringLiteral("out.raw"));
        QProcess game;
        QVERIFY(startGame(game, x, base.filePath(QStringLiteral("run")), Errors::Keep, QDir::rootPath(), raw));

        // The start picture, read from the program folder.
        QVERIFY2(x.waitForWindow(startTitle, 10000), "no start screen");
        const QImage expected = expectedStartScreen(buildDir + QStringLiteral("/dabrel coppix.jpg"), screenW, screenH);
        QVERIFY(!expected.isNull());
        QTRY_VERIFY_WITH_TIMEOUT(offStartPicture(x.screenshot(), expected) < 3, 5000);

        // "Play": the first song, read from music/ in the program folder, is heard.
        Table table;
        CHECKED(pressPlay(x, startPoints(screenW, screenH), table));
        QTRY_VERIFY_WITH_TIMEOUT(peakFrom(raw) > 1000, 8000);

        x.requestClose(table.window);
        QVERIFY2(game.waitForFinished(10000), "the program did not end");
        QCOMPARE(game.exitCode(), 0);
        const QByteArray errors = game.readAllStandardError();
        QVERIFY2(!errors.contains("start picture") && !errors.contains("program folder"), errors.constData());
    }
};

QTEST_GUILESS_MAIN(TestFolders)
#include "e2e_folders.moc"
