#include "start/program.h"
#include "toolkit/stop_signals.h"

#include <QApplication>

#include <malloc.h>

int main(int argc, char* argv[])
{
    // Blocks of 128 KiB and more (pictures, a song's synthesiser and its soundfont samples)
    // are mapped apart and go back to the system when freed. glibc would otherwise raise
    // this bound to the largest block freed so far, and keep the next ones of that size in
    // the heap, where their pages stay after them.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    int status = 0;
    {
        QApplication app(argc, argv);
        status = coppix::run();
    } // the sound shuts down as the application object goes
    // Windows and sound are gone: the end a stop signal waits for has come.
    tk::StopSignals::ended();
    return status;
}
