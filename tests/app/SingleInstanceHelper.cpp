// A process for the single-instance tests. Claims PATH and prints "first" or "second".
//   helper PATH hold OPENS MS   as the first, serves until OPENS requests came or MS passed,
//                               printing "open" for each
//   helper PATH crash           as the first, ends at once without cleaning up
// With PARLOWEN_CLAIM_AT set (milliseconds since the epoch), the claim waits for that moment, so
// that processes started one after another claim together.

#include "app/desktop/SingleInstance.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <unistd.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    SingleInstance instance(QString::fromLocal8Bit(argv[1]));
    const qint64 at = qgetenv("PARLOWEN_CLAIM_AT").toLongLong(); // 0 when unset
    while (QDateTime::currentMSecsSinceEpoch() < at)
        QThread::usleep(200);
    const bool first = instance.Claim();
    std::puts(first ? "first" : "second");
    std::fflush(stdout);
    if (!first)
        return 0;
    if (std::strcmp(argv[2], "crash") == 0)
        ::_exit(0); // no destructors: the socket file stays behind
    if (std::strcmp(argv[2], "hold") != 0 || argc < 5)
        return 2;
    const int wanted = std::atoi(argv[3]);
    int opens = 0;
    QObject::connect(&instance, &SingleInstance::OpenRequested, [&] {
        std::puts("open");
        std::fflush(stdout);
        if (++opens >= wanted)
            app.quit();
    });
    QTimer::singleShot(std::atoi(argv[4]), &app, &QCoreApplication::quit);
    if (wanted > 0)
        app.exec();
    return 0;
}
