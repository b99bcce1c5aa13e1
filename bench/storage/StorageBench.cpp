// Replay throughput of the message database: stores N PDUs, then replays them through the
// loader thread to a receiver on the main thread that decodes each with PDU, as the main window
// does at start. Prints where the time goes and the resident memory during the replay.
//
// Usage: parlowen-storage-bench [ROWS] [FOLDER]   (100000 rows, a temporary folder)
#include "app/MessageTarget.h"
#include "app/Messages.h"
#include "codec/Pdu.h"
#include "storage/Database.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

long RssKb(const char* field = "VmRSS:")
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::strtol(line.c_str() + std::string(field).size(), nullptr, 10);
    return -1;
}

// An inbox-like mix: received messages as the network delivers them, and sent ones as the
// encoder builds them, GSM and UCS2, short and full length, single and concatenated.
std::vector<std::string> Corpus()
{
    std::vector<std::string> pdus = {
        "07911326040000F0040B911346610089F60000208062917314080CC8F71D14969741F977FD07",
        "0791448720003023240DD0E474D81C0EBB010000111011315214000BE474D81C0EBB5DE3771B",
        "07919730071111F1040B919760123456F700087120115183400008041F04400438043204350442",
        "07919730071111F1400B919760123456F70008712011518340000C0500030A0201006F006B002E",
    };
    const std::u16string texts[] = {
        u"ok",
        u"Meeting moved to 14:30, see you there",
        u"Привет, как дела?",
        u"😀👍 tonight?",
        std::u16string(160, u'a'),
        std::u16string(70, u'ж'),
        u"Your code is 123456. Do not share it with anyone. [ref:{x}]",
    };
    int n = 0;
    for (const auto& text : texts) {
        for (const char* number : {"+491701234567", "0123456789", "+7911"}) {
            PDU p;
            p.SetNumber(number);
            p.SetSmsc(n % 2 ? "+491710760000" : "");
            p.Text = text;
            p.Encode();
            pdus.push_back(p.PduText);
            ++n;
        }
    }
    return pdus;
}

class Receiver : public QObject, public MessageTarget
{
public:
    explicit Receiver(bool decode) : MessageTarget(this), decode_(decode) { }
    std::intptr_t HandleMessage(const Message& m) override
    {
        if (m.Number == WM_DATABASE_LOAD) {
            if (m.WParam == DATABASE_LOAD_BEGIN)
                begin = Clock::now();
            if (m.WParam == DATABASE_LOAD_END) {
                end = Clock::now();
                ended = true;
            }
        } else if (m.Number == WM_DATABASE_SMS) {
            for (const DATABASE_SMS_ROW& row : **m.Record<DATABASE_SMS_BATCH>()) {
                ++rows;
                if (decode_) {
                    PDU pdu(row.Data.Pdu);
                    if (pdu.Decode())
                        ++decoded;
                    else
                        ++failed;
                }
                if (rows == 1000)
                    rssAt1k = RssKb();
                if (rows % 50000 == 0)
                    rssAt.push_back(RssKb());
            }
        }
        return 0;
    }
    bool decode_;
    Clock::time_point begin, end;
    bool ended = false;
    long rows = 0, decoded = 0, failed = 0;
    long rssAt1k = 0;
    std::vector<long> rssAt;
};

void Replay(QDatabase& db, Receiver& r, const char* label, long total)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (r.ended)
            loop.quit();
    });
    poll.start(5);
    const auto start = Clock::now();
    db.LoadMessages();
    loop.exec();
    db.StopLoader();
    const double replay = Ms(r.end - r.begin);
    std::printf("%-34s %8.1f ms  (%.2f us/row, %.0f rows/s; with the 100 ms start delay %.1f ms)\n", label, replay,
                replay * 1000.0 / double(total), double(total) / replay * 1000.0, Ms(r.end - start));
    std::printf("%-34s rows %ld, decoded %ld, failed %ld\n", "", r.rows, r.decoded, r.failed);
    std::printf("%-34s RSS at row 1000: %ld kB", "", r.rssAt1k);
    for (size_t i = 0; i < r.rssAt.size(); ++i)
        std::printf(", at row %zu: %ld kB", (i + 1) * 50000, r.rssAt[i]);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const long total = argc > 1 ? std::atol(argv[1]) : 100000;
    QTemporaryDir tmp(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench-XXXXXX")
                               : QDir::tempPath() + QStringLiteral("/parlowen-bench-XXXXXX"));
    const QString path = tmp.filePath(QStringLiteral("bench.db"));
    const std::vector<std::string> corpus = Corpus();
    std::printf("rows %ld, corpus of %zu distinct PDUs, database %s\n", total, corpus.size(), qPrintable(path));

    {
        QDatabase db(nullptr);
        if (!db.Open(path)) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
            return 1;
        }
        const auto start = Clock::now();
        db.BeginTransaction();
        for (long i = 0; i < total; ++i)
            db.InsertMessage(corpus[size_t(i) % corpus.size()], std::uint32_t(i % 4));
        db.EndTransaction();
        std::printf("%-34s %8.1f ms\n", "store (one transaction)", Ms(Clock::now() - start));
    }

    // The parts of the replay measured alone.
    {
        sqlite3* raw = nullptr;
        sqlite3_open_v2(path.toUtf8().constData(), &raw, SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, nullptr);
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(raw,
                           "SELECT [ID], [Message], [Status], strftime('%d.%m.%Y', DATE([TimeStamp], 'localtime')), "
                           "TIME([TimeStamp], 'localtime') FROM [Messages];",
                           -1, &s, nullptr);
        const auto start = Clock::now();
        long n = 0;
        std::vector<std::string> pdus;
        pdus.reserve(size_t(total));
        while (sqlite3_step(s) == SQLITE_ROW) {
            pdus.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 1)));
            ++n;
        }
        std::printf("%-34s %8.1f ms  (%ld rows)\n", "  select with local date and time", Ms(Clock::now() - start), n);
        sqlite3_finalize(s);
        sqlite3_close(raw);

        const auto decodeStart = Clock::now();
        long ok = 0;
        for (const auto& text : pdus) {
            PDU pdu(text);
            ok += pdu.Decode();
        }
        std::printf("%-34s %8.1f ms  (%ld decoded)\n", "  decode only", Ms(Clock::now() - decodeStart), ok);
    }

    {
        Receiver none(false);
        QDatabase db(&none);
        db.Open(path);
        Replay(db, none, "replay, receiver does nothing", total);
    }
    {
        Receiver decoding(true);
        QDatabase db(&decoding);
        db.Open(path);
        Replay(db, decoding, "replay, receiver decodes each PDU", total);
        std::printf("%-34s peak RSS %ld kB\n", "", RssKb("VmHWM:"));
    }
    return 0;
}
