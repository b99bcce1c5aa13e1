#pragma once

#include "app/MessageTarget.h"
#include "app/Messages.h"
#include "storage/Database.h"
#include "support/Wait.h"

#include <QObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// What a window receives from the database, in order.
struct Received
{
    int begins = 0;
    int ends = 0;
    int batches = 0;
    bool endBeforeBegin = false;
    std::vector<std::uintptr_t> ids;
    std::vector<DATABASE_SMS_DATA> rows;
    std::vector<DATABASE_TEMPLATE_DATA> templates;
};

class RecordingWindow : public QObject, public MessageTarget
{
public:
    RecordingWindow() : MessageTarget(this) { }
    Received got;
    // Called for each stored message after it is recorded.
    std::function<void(std::uintptr_t id)> onRow;
    std::function<void()> onEnd;

    std::intptr_t HandleMessage(const Message& m) override
    {
        switch (m.Number) {
        case WM_DATABASE_LOAD:
            if (m.WParam == DATABASE_LOAD_BEGIN)
                ++got.begins;
            if (m.WParam == DATABASE_LOAD_END) {
                if (got.begins == got.ends)
                    got.endBeforeBegin = true;
                ++got.ends;
                if (onEnd)
                    onEnd();
            }
            break;
        case WM_DATABASE_SMS: {
            const DATABASE_SMS_BATCH batch = *m.Record<DATABASE_SMS_BATCH>();
            ++got.batches;
            EXPECT_EQ(m.WParam, batch->size());
            for (const DATABASE_SMS_ROW& row : *batch) {
                got.ids.push_back(static_cast<std::uintptr_t>(row.ID));
                got.rows.push_back(row.Data);
                if (onRow)
                    onRow(static_cast<std::uintptr_t>(row.ID));
            }
            break;
        }
        case WM_DATABASE_TEMPLATE: got.templates.push_back(*m.Record<DATABASE_TEMPLATE_DATA>()); break;
        }
        return 0;
    }
};
