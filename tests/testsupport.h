#pragma once
// Small helpers shared by the test programs.
#include <QFile>
#include <QString>

#include <malloc.h>

namespace testsupport {
// The folder of the built program, where the run-time files lie.
inline QString programDir() { return QStringLiteral(COPPIX_PROGRAM_DIR); }
inline QString sourceDir() { return QStringLiteral(COPPIX_SOURCE_DIR); }

// Heap in use by this thread's allocations (the main arena): flat when the game frees what
// it allocates, whatever the audio threads do with their own arenas.
inline long heapInUseKiB() { return long(mallinfo2().uordblks / 1024); }

// Resident memory of the process.
inline long residentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    return statm.readAll().split(' ').value(1).toLong() * 4;
}
}
