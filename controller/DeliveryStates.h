#pragma once
// Whether the parts of sent messages reached their recipient, from the status reports that name
// them: a report names a sent part by its recipient and the reference the network gave the part
// at sending. The states live in the database's delivery table and show as the image of the
// Sent row.

#include <QHash>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class QDatabase;
class FolderModel;
class SmsData;

enum DeliveryState : std::int32_t {
    DeliveryPending = 0,
    DeliveryDelivered = 1,
    DeliveryFailed = 2,
};

// The state a report's TP-Status gives: the transaction completed, the centre still trying, or
// given up (a permanent error, a temporary one it no longer retries, or a reserved value).
DeliveryState DeliveryStateOf(unsigned reportStatus);

// Report recipients come in international form or as dialled: the trailing digits compare.
QString DeliveryNumberKey(const QString& number);

class DeliveryStates
{
public:
    DeliveryStates(QDatabase& database, FolderModel& sent);

    // Reads the table again (before a replay lists the Sent rows).
    void Load();
    // A part saved as sentId went out with a report request and got this reference. A report
    // that came before this completion, during the last few sends, is applied to it now.
    void Sent(std::int64_t sentId, std::int32_t part, std::uint32_t reference, const QString& number);
    // A report about (number, reference); reportId is its storage ID, 0 when it is not stored.
    // It is about the latest sent part of that number and reference stored before it, and sets
    // that part's state unless it or a newer report already did (a replay). Gives the part's ID,
    // or 0 when no sent part matches (yet).
    std::int64_t Report(const QString& number, unsigned reference, unsigned reportStatus, std::int64_t reportId);
    // The reference of a report to this number that matched nothing and still waits for its
    // part, if any: a part whose completion never came may be the one.
    std::optional<std::uint32_t> EarlyReference(const QString& number) const;
    // Forgets such a report once its part is known without being saved.
    void DropEarly(const QString& number, std::uint32_t reference) { early_.remove(MatchKey(number, reference)); }
    // How many sends a report that matched nothing waits for its part's completion.
    static constexpr std::uint64_t kEarlyReportSends = 16;
    // The state of one sent part, or -1 when none is kept.
    int StateOf(std::int64_t sentId) const;
    // The image of a Sent message: failed when a part failed, delivered when every part was,
    // pending otherwise; ImageRead when no part asked for a report.
    int ImageOf(const SmsData& data) const;
    // Shows the state on the Sent row holding this part.
    void Refresh(std::int32_t partId);

private:
    struct Part
    {
        std::int32_t State = DeliveryPending;
        std::int64_t Report = 0;
    };
    struct Early
    {
        DeliveryState State = DeliveryPending;
        std::int64_t Report = 0;
        std::uint64_t Sends = 0; // sends_ when it came
    };
    void EnsureLoaded();
    void Track(std::int64_t sentId, std::uint32_t reference, const QString& number, const Part& part);
    void Apply(std::int64_t sentId, Part& part, DeliveryState state, std::int64_t reportId);
    static QString MatchKey(const QString& number, unsigned reference);

    QDatabase& database_;
    FolderModel& sent_;
    bool loaded_ = false;
    QHash<std::int64_t, Part> parts_;
    QHash<QString, std::vector<std::int64_t>> byMatch_; // sent IDs in ascending order
    QHash<std::int64_t, std::int64_t> byReport_;        // report ID -> the part whose state it set
    // A report can come before the completion of its send; it waits here, by match key.
    QHash<QString, Early> early_;
    std::uint64_t sends_ = 0;
};
