// The program as installed: `cmake --install` of this build into a fresh prefix lays out
// the program folder, the link in bin/, the desktop entry and the icons; the program started
// through the link finds its files beside the installed binary.
#include "x11/game.h"
#include "x11/xsession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace e2e;

namespace {
constexpr int screenW = 1024, screenH = 768;
const QString sourceDir = QStringLiteral(COPPIX_SOURCE_DIR);

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The keys of the [Desktop Entry] group of a desktop entry file.
QMap<QString, QString> desktopEntry(const QString& path)
{
    QMap<QString, QString> keys;
    bool inGroup = false;
    for (const QByteArray& raw : contentOf(path).split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inGroup = line == QStringLiteral("[Desktop Entry]");
        else if (inGroup && line.contains(QLatin1Char('=')) && !line.startsWith(QLatin1Char('#')))
            keys.insert(line.section(QLatin1Char('='), 0, 0).trimmed(), line.section(QLatin1Char('='), 1).trimmed());
    }
    return keys;
}
} // namespace

class TestInstall : public QObject {
    Q_OBJECT

    QTemporaryDir m_prefix;
    QString m_folder; // the installed program folder

private slots:
    void initTestCase()
    {
        if (QDir::isAbsolutePath(QStringLiteral(COPPIX_INSTALL_DIR)))
            QSKIP("the program folder is set outside the install prefix (COPPIX_INSTALL_DIR)");
        QVERIFY(m_prefix.isValid());
        QProcess cmake;
        cmake.setProcessChannelMode(QProcess::MergedChannels);
        cmake.start(QStringLiteral(COPPIX_CMAKE),
                    {QStringLiteral("--install"), QStringLiteral(COPPIX_BUILD_DIR), QStringLiteral("--prefix"), m_prefix.path()});
        QVERIFY2(cmake.waitForFinished(60000), "cmake --install did not finish");
        const QByteArray output = cmake.readAll();
        QVERIFY2(cmake.exitStatus() == QProcess::NormalExit && cmake.exitCode() == 0, output.constData());
        m_folder = m_prefix.filePath(QStringLiteral(COPPIX_INSTALL_DIR));
    }

    // The program folder holds the binary and every file it reads, as they are in the source.
    void theProgramFolder()
    {
        const QFileInfo binary(m_folder + QStringLiteral("/coppix"));
        QVERIFY2(binary.isFile() && !binary.isSymLink() && binary.isExecutable(), qPrintable(binary.filePath()));

        QStringList files{QStringLiteral("carta.wav"), QStringLiteral("dabrel coppix.jpg")};
        const QStringList songs = QDir(sourceDir + QStringLiteral("/media/music")).entryList({QStringLiteral("*.mid")}, QDir::Files);
        QCOMPARE(songs.size(), 10);
        for (const QString& song : songs)
            files << QStringLiteral("music/") + song;
        for (const QString& file : files) {
            const QByteArray installed = contentOf(m_folder + QLatin1Char('/') + file);
            QVERIFY2(!installed.isEmpty(), qPrintable(file + QStringLiteral(" is missing")));
            QVERIFY2(installed == contentOf(sourceDir + QStringLiteral("/media/") + file), qPrintable(file + QStringLiteral(" differs")));
        }
        // Nothing else among the songs, and nothing of the build (no object files, no tests).
        QCOMPARE(QDir(m_folder + QStringLiteral("/music")).entryList(QDir::Files | QDir::NoDotAndDotDot), songs);
        QStringList top = QDir(m_folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        top.sort();
        QCOMPARE(top, (QStringList{QStringLiteral("carta.wav"), QStringLiteral("coppix"), QStringLiteral("dabrel coppix.jpg"),
                                   QStringLiteral("music")}));
    }

    // bin/coppix is a relative link to the binary (../lib/coppix/coppix as it comes), so the
    // whole prefix may move.
    void theLinkInBin()
    {
        const QString link = m_prefix.filePath(QStringLiteral("bin/coppix"));
        QVERIFY(QFileInfo(link).isSymLink());
        char target[4096];
        const ssize_t length = ::readlink(QFile::encodeName(link).constData(), target, sizeof target - 1);
        QVERIFY(length > 0);
        const QString expected = QDir(m_prefix.filePath(QStringLiteral("bin"))).relativeFilePath(m_folder + QStringLiteral("/coppix"));
        QVERIFY(expected.startsWith(QStringLiteral("../")));
        QCOMPARE(QString::fromLocal8Bit(target, int(length)), expected);
        QCOMPARE(QFileInfo(link).canonicalFilePath(), QFileInfo(m_folder + QStringLiteral("/coppix")).canonicalFilePath());
    }

    void theDesktopEntryAndTheIcons()
    {
        const QString entry = m_prefix.filePath(QStringLiteral("share/applications/coppix.desktop"));
        const QMap<QString, QString> keys = desktopEntry(entry);
        QCOMPARE(keys.value(QStringLiteral("Type")), QStringLiteral("Application"));
        QCOMPARE(keys.value(QStringLiteral("Name")), QStringLiteral("Coppix"));
        QVERIFY(!keys.value(QStringLiteral("Comment")).isEmpty());
        QCOMPARE(keys.value(QStringLiteral("Exec")), QStringLiteral("coppix"));
        QCOMPARE(keys.value(QStringLiteral("Icon")), QStringLiteral("coppix"));
        QCOMPARE(keys.value(QStringLiteral("Terminal")), QStringLiteral("false"));
        QCOMPARE(keys.value(QStringLiteral("Categories")), QStringLiteral("Game;CardGame;"));

        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        QVERIFY2(!validator.isEmpty(), "desktop-file-validate (desktop-file-utils) is not installed");
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {entry});
        QVERIFY(validate.waitForFinished(10000));
        const QByteArray report = validate.readAll();
        QVERIFY2(validate.exitCode() == 0 && report.trimmed().isEmpty(), report.constData());

        for (const auto& [size, source] : {std::pair{32, "icon.png"}, std::pair{256, "icon-256.png"}}) {
            const QString icon = m_prefix.filePath(QStringLiteral("share/icons/hicolor/%1x%1/apps/coppix.png").arg(size));
            const QImage image(icon);
            QVERIFY2(!image.isNull(), qPrintable(icon));
            QCOMPARE(image.size(), QSize(size, size));
            QVERIFY(contentOf(icon) == contentOf(sourceDir + QStringLiteral("/assets/pictures/") + QLatin1String(source)));
        }
    }

    // Started through the link, from another folder: the start picture comes from the
    // installed folder, and the game plays.
    void theInstalledProgramRuns()
    {
        const QImage expected = expectedStartScreen(sourceDir + QStringLiteral("/media/dabrel coppix.jpg"), screenW, screenH);
        QVERIFY(!expected.isNull());
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QTemporaryDir elsewhere;
        QProcess game;
        QVERIFY(startGame(game, x, m_prefix.filePath(QStringLiteral("bin/coppix")), Errors::Keep, elsewhere.path()));
        const unsigned long start = x.waitForWindow(startTitle, 10000);
        QVERIFY2(start, "no start screen");
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), start, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(offStartPicture(x.screenshot(), expected) < 1, 5000);
        const QImage shot = x.screenshot();
        QVERIFY2(xsession::fractionOf(shot, shot.rect(), darkGreen) < 0.05, "the start screen shows its bare background");

        const StartPoints points = startPoints(screenW, screenH);
        Table table;
        CHECKED(pressPlay(x, points, table));
        const int menuBar = table.menuBar;
        QVERIFY(xsession::fractionOf(table.shot, QRect(0, menuBar, screenW, screenH - menuBar), blue) > 0.3);

        const QPoint exit = exitPoint(screenW, screenH, menuBar);
        QVERIFY(x.click(exit.x(), exit.y()));
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), start, 5000);
        QVERIFY(x.click(points.quit.x(), points.quit.y()));
        CHECKED(checkEnded(game));
        const QByteArray errors = game.readAllStandardError();
        QVERIFY2(!errors.contains("start picture"), errors.constData());
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "e2e_install.moc"
