#pragma once
// Small helpers shared by the test programs.
#include <QString>

namespace testsupport {
// The folder of the built program, where the run-time files lie.
inline QString programDir() { return QStringLiteral(COPPIX_PROGRAM_DIR); }
inline QString sourceDir() { return QStringLiteral(COPPIX_SOURCE_DIR); }
}
