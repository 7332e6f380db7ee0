#pragma once
// Finding a sound file whatever the letter case of its name.
//
// The songs are named in the menu ("Easycity") and the game asks for "Easycity.MID" in
// one place and "Easycity.mid" in another, as it could on Windows; here the file system
// tells the two apart, so a name that does not exist as written is looked up again one
// folder at a time, each part matched without regard to case.
#include <QString>

namespace audio {

// The absolute, clean path of the regular file the name leads to: the exact file when it
// exists, otherwise the one whose folders and name match it case-insensitively (when
// several do, the first in byte order of name at each level). Empty when there is none.
QString findFileIgnoringCase(const QString& path);

} // namespace audio
