#pragma once
// An on-screen log (the main window's log view and device status log) as a list model of lines.
// A replay writes hundreds of thousands of lines in a burst, so Append only stores the line; rows
// become visible in batches, at most every FlushIntervalMs, or at once through Flush(). Lines are
// kept as UTF-8 in large chunks, not as one QString each.
// Lives on one thread (the user-interface thread); Append is not safe from other threads.

#include <QAbstractListModel>
#include <QDateTime>
#include <QElapsedTimer>
#include <QString>
#include <QStringEncoder>

#include <cstdint>
#include <memory>
#include <vector>

class Clock;
class QTimer;

class LogModel : public QAbstractListModel
{
    Q_OBJECT
public:
    static constexpr int FlushIntervalMs = 50;

    // Without a clock, AppendTimestamped reads the system's local time.
    explicit LogModel(QObject* parent = nullptr, const Clock* clock = nullptr);
    ~LogModel() override;

    void Append(const QString& line);
    // "dd.mm.yyyy hh:nn:ss  " (local time, two spaces) followed by the text.
    void AppendTimestamped(const QString& text);
    // The same with a given time, formatted as it stands (its own date and time of day).
    void AppendTimestamped(const QString& text, const QDateTime& when);
    // Drops every line, the pending ones too.
    void Clear();

    // Appended lines, visible or still pending.
    int LineCount() const { return static_cast<int>(lines.size()); }
    int PendingCount() const { return LineCount() - visible; }
    // Any appended line, 0 <= index < LineCount(); an empty string outside.
    QString LineAt(int index) const;
    // Bytes held for the lines (chunks and index), for measurements.
    std::size_t MemoryBytes() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The prefix for one moment, as the timestamped lines carry it.
    static QByteArray TimestampPrefix(const QDateTime& when);

public Q_SLOTS:
    // Makes every pending line visible now.
    void Flush();

Q_SIGNALS:
    // After each batch of rows was inserted (for auto-scroll).
    void Appended();

private:
    struct Chunk
    {
        std::unique_ptr<char[]> bytes;
        std::uint32_t used = 0;
        std::uint32_t capacity = 0;
    };
    struct LineRef
    {
        std::uint32_t chunk;
        std::uint32_t offset;
        std::uint32_t size;
    };

    void Store(QByteArrayView prefix, QStringView text);
    // The chunk that takes the next line of at most that many bytes.
    std::uint32_t Reserve(std::size_t bytes);
    void ScheduleFlush();
    const QByteArray& CurrentPrefix();

    std::vector<Chunk> chunks;
    std::vector<LineRef> lines;
    int current = -1; // the chunk being filled
    int visible = 0;
    QStringEncoder encoder;

    QTimer* flushTimer;
    QElapsedTimer sinceFlush;
    bool flushScheduled = false;

    const Clock* clock;
    // The prefix of the last second formatted, keyed by that second.
    QByteArray cachedPrefix;
    std::int64_t cachedSecond = INT64_MIN;
    std::int64_t cachedDay = INT64_MIN;
    int cachedSecondOfDay = -1;
};
