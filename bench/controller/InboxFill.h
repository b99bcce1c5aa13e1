#pragma once
// A full Inbox for the folder benchmarks: messages of one to three parts, from a few hundred
// numbers, over about a year, listed as a replay lists them, newest first.

#include "controller/MessageFolders.h"

#include <QDate>
#include <QRandomGenerator>

#include <iterator>
#include <memory>

namespace bench {

inline const char* const kWords[] = {"hello", "see",  "you",    "tomorrow", "at",     "the",      "station;", "call",
                                     "me",    "back", "please", "\"ok\"",   "dinner", "tonight,", "Привет",   "meeting",
                                     "moved", "to",   "ten",    "thanks",   "код",    "123456",   "is",       "your"};

inline QString Text(QRandomGenerator& random, int length)
{
    QString text;
    while (text.size() < length) {
        if (!text.isEmpty())
            text += random.bounded(12) == 0 ? QLatin1Char('\n') : QLatin1Char(' ');
        text += QString::fromUtf8(kWords[random.bounded(int(std::size(kWords)))]);
    }
    return text;
}

inline void FillInbox(FolderModel& model, int count)
{
    QRandomGenerator random(20240301);
    const QDate first(2023, 3, 1);
    model.SetSortKey(-2);
    model.BeginBulk();
    for (int i = 0; i < count; ++i) {
        auto sms = std::make_unique<SmsData>();
        const QString number = QStringLiteral("+4917612%1").arg(random.bounded(500), 4, 10, QLatin1Char('0'));
        const QString date = first.addDays(random.bounded(366)).toString(QStringLiteral("dd.MM.yyyy"));
        const QString time = QStringLiteral("%1:%2:%3")
                                 .arg(random.bounded(24))
                                 .arg(random.bounded(60), 2, 10, QLatin1Char('0'))
                                 .arg(random.bounded(60), 2, 10, QLatin1Char('0'));
        const int parts = random.bounded(10) < 7 ? 1 : 2 + random.bounded(2);
        for (int part = 1; part <= parts; ++part) {
            const int id = i * 3 + part;
            sms->AddUnit(id, number, parts > 1 ? parts : 0, parts > 1 ? part : 0, parts > 1 ? i % 256 : 0,
                         QStringLiteral("07919471060040F3040B919471261300F000004230"), time, date,
                         Text(random, parts > 1 ? 153 : 20 + random.bounded(140)));
            sms->Ids += (part > 1 ? QStringLiteral("/") : QString()) + QString::number(id);
        }
        const QString caption = sms->Ids;
        model.Add(std::move(sms), random.bounded(4) == 0 ? ImageUnread : ImageRead, caption, true);
    }
    model.EndBulk();
}

} // namespace bench
