#include "toolkit/app.h"

#include <QCoreApplication>
#include <QDir>

namespace tk {

namespace {
QString& overridePath()
{
    static QString path;
    return path;
}
} // namespace

QString App::Path()
{
    if (!overridePath().isEmpty())
        return overridePath();
    QString dir = QCoreApplication::applicationDirPath();
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return dir;
}

void App::setPath(const QString& folder) { overridePath() = folder; }

QString App::file(const QString& backslashName)
{
    QString name = backslashName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (!name.startsWith(QLatin1Char('/')))
        name.prepend(QLatin1Char('/'));
    return QDir::toNativeSeparators(Path() + name);
}

} // namespace tk
