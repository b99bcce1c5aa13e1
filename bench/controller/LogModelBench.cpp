// Writes a replay's worth of log lines (800,000 by default) into a LogModel, letting the event
// loop run between bursts as the loader's hand-overs do, and prints the cost and memory per line.
// Usage: parlowen-logmodel-bench [LINES]

#include "controller/LogModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

namespace {

long ResidentBytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * 4096L;
}

// Typical lines of a replay: about 60 characters, numbers varying.
std::vector<QString> SampleLines()
{
    std::vector<QString> lines;
    for (int i = 0; i < 1000; ++i)
        lines.push_back(QString("Message %1 from +4917612345%2 stored in Inbox (part %3/3)")
                            .arg(100000 + i)
                            .arg(i % 1000, 3, 10, QChar('0'))
                            .arg(i % 3 + 1));
    return lines;
}

struct Result
{
    double nsPerLine;
    double rssPerLine;
    double heldPerLine;
    int batches;
};

template <class Write> Result Run(int count, const std::vector<QString>& samples, Write write)
{
    LogModel model;
    int batches = 0;
    QObject::connect(&model, &LogModel::Appended, [&] { ++batches; });
    const long rssBefore = ResidentBytes();
    QElapsedTimer appendTime;
    qint64 appendNs = 0;
    for (int written = 0; written < count;) {
        appendTime.start();
        for (int i = 0; i < 1000 && written < count; ++i, ++written)
            write(model, samples[static_cast<std::size_t>(written) % samples.size()]);
        appendNs += appendTime.nsecsElapsed();
        QCoreApplication::processEvents();
    }
    model.Flush();
    const long rssAfter = ResidentBytes();
    return {double(appendNs) / count, double(rssAfter - rssBefore) / count, double(model.MemoryBytes()) / count,
            batches};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 800000;
    const std::vector<QString> samples = SampleLines();
    std::printf("%d lines of %lld characters\n", count, static_cast<long long>(samples[0].size()));

    const Result plain = Run(count, samples, [](LogModel& m, const QString& s) { m.Append(s); });
    std::printf("Append             %6.1f ns/line  RSS growth %6.1f bytes/line  held %6.1f bytes/line  %d batches\n",
                plain.nsPerLine, plain.rssPerLine, plain.heldPerLine, plain.batches);
    const Result stamped = Run(count, samples, [](LogModel& m, const QString& s) { m.AppendTimestamped(s); });
    std::printf("AppendTimestamped  %6.1f ns/line  RSS growth %6.1f bytes/line  held %6.1f bytes/line  %d batches\n",
                stamped.nsPerLine, stamped.rssPerLine, stamped.heldPerLine, stamped.batches);
    return 0;
}
