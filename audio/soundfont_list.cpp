#include "audio/soundfont_list.h"

#include <SDL_hints.h>
#include <SDL_stdinc.h>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>

namespace audio {

namespace {

// A list split as SDL_mixer splits it on this system: at ':' and ';', empty names dropped.
QList<QByteArray> split(const QByteArray& list)
{
    QList<QByteArray> names;
    QByteArray name;
    for (const char c : list) {
        if (c == ':' || c == ';') {
            if (!name.isEmpty())
                names.append(name);
            name.clear();
        } else {
            name.append(c);
        }
    }
    if (!name.isEmpty())
        names.append(name);
    return names;
}

// Empty for a regular file; otherwise why it is left out.
QByteArray whyNot(const QByteArray& path)
{
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? QByteArrayLiteral("not found") : QByteArray(std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return QByteArrayLiteral("not a regular file");
    return {};
}

enum class Named { ByTheGame, ByThePlayer, ByTheLibrary };

// Sorts the files of a list; true when at least one is kept.
bool sort(const QList<QByteArray>& names, Named by, SoundFontList& list)
{
    bool any = false;
    for (const QByteArray& path : names) {
        const QByteArray reason = whyNot(path);
        if (reason.isEmpty()) {
            list.kept.append(path);
            any = true;
        } else if (by != Named::ByTheLibrary || reason != "not found") {
            list.refused.append({path, reason, by == Named::ByTheGame});
        }
    }
    return any;
}

} // namespace

QByteArray SoundFontList::forMixer() const
{
    return kept.isEmpty() ? QByteArrayLiteral(";") : kept.join(';');
}

SoundFontSources soundFontSources(const QByteArray& ours)
{
    SoundFontSources sources;
    sources.ours = ours;
    sources.environment = SDL_getenv("SDL_SOUNDFONTS");
    // SDL's own reading of a boolean hint: its value or, unset, the environment variable.
    sources.forced = SDL_GetHintBoolean("SDL_FORCE_SOUNDFONTS", SDL_FALSE) == SDL_TRUE;
    return sources;
}

SoundFontList chooseSoundFonts(const SoundFontSources& sources)
{
    SoundFontList list;
    if (sources.forced && !sources.environment.isEmpty()) {
        sort(split(sources.environment), Named::ByThePlayer, list);
        return list;
    }
    // The game names its soundfont only when it is there; otherwise the library's name stands.
    SoundFontList ours;
    if (sort(split(sources.ours), Named::ByTheGame, ours))
        return ours;
    list.refused = ours.refused;
    sort(split(sources.library), Named::ByTheLibrary, list);
    return list;
}

} // namespace audio
