#include "audio/file_lookup.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace audio {

namespace {

// The entry of folder whose name matches part without regard to case, and that is a
// folder (wantFolder) or a regular file.
QString matchInFolder(const QString& folder, const QString& part, bool wantFolder)
{
    const QString exact = folder + part;
    const QFileInfo exactInfo(exact);
    if (wantFolder ? exactInfo.isDir() : exactInfo.isFile())
        return exact;
    const QDir dir(folder);
    const QDir::Filters kinds = (wantFolder ? QDir::Dirs : QDir::Files) | QDir::Hidden | QDir::System
                                | QDir::NoDotAndDotDot;
    QStringList names = dir.entryList(kinds, QDir::Unsorted);
    names.sort(Qt::CaseSensitive);
    for (const QString& name : names) {
        if (name.compare(part, Qt::CaseInsensitive) == 0)
            return folder + name;
    }
    return {};
}

} // namespace

QString findFileIgnoringCase(const QString& path)
{
    if (path.isEmpty())
        return {};
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (QFileInfo(absolute).isFile())
        return absolute;

    const QStringList parts = absolute.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return {};
    QString folder = QStringLiteral("/");
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QString found = matchInFolder(folder, parts[i], true);
        if (found.isEmpty())
            return {};
        folder = found + QLatin1Char('/');
    }
    return matchInFolder(folder, parts.last(), false);
}

} // namespace audio
