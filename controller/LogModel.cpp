#include "controller/LogModel.h"

#include "app/Clock.h"

#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr std::uint32_t FirstChunkBytes = 64 * 1024;
constexpr std::uint32_t MaxChunkBytes = 1024 * 1024;
// A longer line gets a chunk of its own instead of ending the one being filled.
constexpr std::size_t OwnChunkBytes = MaxChunkBytes / 4;
// Far beyond any log line; keeps sizes in 32 bits.
constexpr qsizetype MaxLineUnits = 16 * 1024 * 1024;

QByteArray FormatPrefix(int day, int month, int year, int hour, int minute, int second)
{
    char buffer[64];
    const int n =
        std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d %02d:%02d:%02d  ", day, month, year, hour, minute, second);
    return QByteArray(buffer, n);
}

} // namespace

LogModel::LogModel(QObject* parent, const Clock* clock_)
    : QAbstractListModel(parent),
      encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless),
      flushTimer(new QTimer(this)),
      clock(clock_)
{
    flushTimer->setSingleShot(true);
    connect(flushTimer, &QTimer::timeout, this, &LogModel::Flush);
}

LogModel::~LogModel() = default;

void LogModel::Append(const QString& line)
{
    Store({}, line);
}

void LogModel::AppendTimestamped(const QString& text)
{
    if (clock) {
        AppendTimestamped(text, clock->Now());
        return;
    }
    Store(CurrentPrefix(), text);
}

void LogModel::AppendTimestamped(const QString& text, const QDateTime& when)
{
    if (!when.isValid()) {
        Store(CurrentPrefix(), text);
        return;
    }
    const std::int64_t day = when.date().toJulianDay();
    const int secondOfDay = when.time().msecsSinceStartOfDay() / 1000;
    if (day != cachedDay || secondOfDay != cachedSecondOfDay) {
        cachedPrefix = TimestampPrefix(when);
        cachedDay = day;
        cachedSecondOfDay = secondOfDay;
        cachedSecond = INT64_MIN;
    }
    Store(cachedPrefix, text);
}

const QByteArray& LogModel::CurrentPrefix()
{
    // Formatting local time costs more than storing a line, so it is done once a second.
    const std::time_t now = std::time(nullptr);
    if (now != cachedSecond) {
        std::tm local{};
        localtime_r(&now, &local);
        cachedPrefix = FormatPrefix(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900, local.tm_hour, local.tm_min,
                                    local.tm_sec);
        cachedSecond = now;
        cachedDay = INT64_MIN;
    }
    return cachedPrefix;
}

QByteArray LogModel::TimestampPrefix(const QDateTime& when)
{
    const QDate d = when.date();
    const QTime t = when.time();
    return FormatPrefix(d.day(), d.month(), d.year(), t.hour(), t.minute(), t.second());
}

void LogModel::Store(QByteArrayView prefix, QStringView text)
{
    if (text.size() > MaxLineUnits)
        text.truncate(MaxLineUnits);
    // UTF-8 needs at most three bytes per UTF-16 unit.
    const std::size_t room = static_cast<std::size_t>(prefix.size()) + static_cast<std::size_t>(text.size()) * 3;
    const std::uint32_t index = Reserve(room);
    Chunk& chunk = chunks[index];
    char* start = chunk.bytes.get() + chunk.used;
    char* out = start;
    if (!prefix.isEmpty()) {
        std::memcpy(out, prefix.data(), prefix.size());
        out += prefix.size();
    }
    out = encoder.appendToBuffer(out, text);
    const auto size = static_cast<std::uint32_t>(out - start);
    lines.push_back({index, chunk.used, size});
    chunk.used += size;
    ScheduleFlush();
}

std::uint32_t LogModel::Reserve(std::size_t bytes)
{
    if (bytes > OwnChunkBytes) {
        // Goes behind the chunk being filled, which stays current.
        Chunk own;
        own.capacity = static_cast<std::uint32_t>(bytes);
        own.bytes.reset(new char[bytes]);
        chunks.push_back(std::move(own));
        return static_cast<std::uint32_t>(chunks.size() - 1);
    }
    if (current < 0 || chunks[current].capacity - chunks[current].used < bytes) {
        const std::uint32_t previous = current < 0 ? 0 : chunks[current].capacity;
        Chunk fresh;
        fresh.capacity = std::clamp<std::uint32_t>(previous * 2, FirstChunkBytes, MaxChunkBytes);
        // Not zeroed: untouched pages of a fresh chunk stay unmapped.
        fresh.bytes.reset(new char[fresh.capacity]);
        chunks.push_back(std::move(fresh));
        current = static_cast<int>(chunks.size() - 1);
    }
    return static_cast<std::uint32_t>(current);
}

void LogModel::ScheduleFlush()
{
    if (flushScheduled)
        return;
    flushScheduled = true;
    // The first line after a quiet spell shows at once; during a burst, one batch per interval.
    const qint64 since = sinceFlush.isValid() ? sinceFlush.elapsed() : FlushIntervalMs;
    flushTimer->start(since >= FlushIntervalMs ? 0 : static_cast<int>(FlushIntervalMs - since));
}

void LogModel::Flush()
{
    flushScheduled = false;
    flushTimer->stop();
    const int total = LineCount();
    if (visible == total)
        return;
    beginInsertRows(QModelIndex(), visible, total - 1);
    visible = total;
    endInsertRows();
    sinceFlush.start();
    Q_EMIT Appended();
}

void LogModel::Clear()
{
    beginResetModel();
    flushTimer->stop();
    flushScheduled = false;
    std::vector<Chunk>().swap(chunks);
    std::vector<LineRef>().swap(lines);
    current = -1;
    visible = 0;
    endResetModel();
}

QString LogModel::LineAt(int index) const
{
    if (index < 0 || index >= LineCount())
        return QString();
    const LineRef& line = lines[static_cast<std::size_t>(index)];
    return QString::fromUtf8(chunks[line.chunk].bytes.get() + line.offset, line.size);
}

std::size_t LogModel::MemoryBytes() const
{
    std::size_t bytes = chunks.capacity() * sizeof(Chunk) + lines.capacity() * sizeof(LineRef);
    for (const Chunk& chunk : chunks)
        bytes += chunk.capacity;
    return bytes;
}

int LogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : visible;
}

QVariant LogModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return QVariant();
    return LineAt(index.row());
}
