#include "start/program.h"

#include <QApplication>

#include <malloc.h>

int main(int argc, char* argv[])
{
    // Blocks of 128 KiB and more (pictures, a song's synthesiser and its soundfont samples)
    // are mapped apart and go back to the system when freed. glibc would otherwise raise
    // this bound to the largest block freed so far, and keep the next ones of that size in
    // the heap, where their pages stay after them.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    QApplication app(argc, argv);
    return coppix::run();
}
