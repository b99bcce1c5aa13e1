// Which message actions a folder's selected row allows.
#include "controller/MessageActions.h"

#include <gtest/gtest.h>

namespace {

struct Case
{
    const char* name;
    Folder folder;
    bool selected;
    int image;
    AllowedMessageActions allowed;
};

AllowedMessageActions Allow(bool open, bool retry, bool unread)
{
    return AllowedMessageActions{true, true, true, open, retry, unread};
}

class Allowed : public ::testing::TestWithParam<Case>
{ };

TEST_P(Allowed, ByFolderAndRow)
{
    const Case& c = GetParam();
    SmsData data;
    EXPECT_EQ(AllowedActions(c.folder, c.selected ? &data : nullptr, c.image), c.allowed);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, Allowed,
    ::testing::Values(
        Case{"NothingSelected", Folder::Inbox, false, ImageUnread, AllowedMessageActions{}},
        Case{"NothingSelectedInOutbox", Folder::Outbox, false, ImageError, AllowedMessageActions{}},
        Case{"InboxRowCanBeUnreadAgain", Folder::Inbox, true, ImageRead, Allow(true, true, true)},
        Case{"SentRow", Folder::Sent, true, ImageDelivered, Allow(true, true, false)},
        Case{"QueuedOutboxRowIsNeitherOpenedNorRetried", Folder::Outbox, true, ImageQueued, Allow(false, false, false)},
        Case{"FailedOutboxRowIsOpenedAndRetried", Folder::Outbox, true, ImageError, Allow(true, true, false)},
        Case{"Template", Folder::Templates, true, ImageTemplate, Allow(true, true, false)},
        Case{"Report", Folder::Reports, true, ImageReport, Allow(true, true, false)}),
    [](const auto& info) { return info.param.name; });

} // namespace
