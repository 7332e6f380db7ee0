#pragma once
#include <QString>

namespace tk {

// The program folder: where the executable lies, without a trailing separator; empty when
// it cannot be found, and then every file in it is none (empty). Tests may point it elsewhere.
class App {
public:
    static QString Path();
    static void setPath(const QString& folder);

    // Joins a name written as "\carta.wav" or "\music\Chill1.mid" to the program folder,
    // turning each backslash into this platform's separator.
    static QString file(const QString& backslashName);
};

} // namespace tk
