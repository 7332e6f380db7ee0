#include "toolkit/app.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace tk {

namespace {
QString& overridePath()
{
    static QString path;
    return path;
}

// The program folder, found once. Its name comes from the system as bytes (the link
// /proc/self/exe); a QString holds it only when those bytes are UTF-8 (Qt decodes file
// names as UTF-8 whatever the locale, and turns any other byte into U+FFFD, which names
// no folder). A folder named otherwise (old archives, FAT mounts) is held open and reached
// through its handle, /proc/self/fd/N, so that its files are still its own. When it
// cannot be reached at all, the folder is none: no file is read, and the game is silent.
QString findProgramFolder()
{
    char link[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", link, sizeof link);
    if (length <= 0 || std::size_t(length) >= sizeof link) {
        QString dir = QCoreApplication::applicationDirPath();
        if (dir.isEmpty())
            std::fprintf(stderr, "coppix: the program folder cannot be named; the game plays without its files\n");
        return dir;
    }
    const QByteArray exe(link, length);
    QByteArray folder = exe.left(exe.lastIndexOf('/'));
    if (folder.isEmpty())
        folder = "/";
    const QString name = QFile::decodeName(folder);
    if (QFile::encodeName(name) == folder)
        return name;
    const int handle = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (handle < 0) {
        std::fprintf(stderr, "coppix: the program folder cannot be named (%s); the game plays without its files\n",
                     std::strerror(errno));
        return {};
    }
    return QStringLiteral("/proc/self/fd/%1").arg(handle);
}
} // namespace

QString App::Path()
{
    if (!overridePath().isEmpty())
        return overridePath();
    static const QString folder = findProgramFolder();
    QString dir = folder;
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

void App::setPath(const QString& folder) { overridePath() = folder; }

QString App::file(const QString& backslashName)
{
    const QString folder = Path();
    // No folder, no file: never one of the same name elsewhere (the root).
    if (folder.isEmpty())
        return {};
    QString name = backslashName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!name.startsWith(QLatin1Char('/')))
        name.prepend(QLatin1Char('/'));
    return QDir::toNativeSeparators(folder + name);
}

} // namespace tk
