#include "Rows.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

TEST(MessageFolders, FixedNodeTexts)
{
    MessageFolders folders;
    const std::pair<Folder, const char*> texts[] = {{Folder::Inbox, "Inbox"},         {Folder::Sent, "Sent Items"},
                                                    {Folder::Outbox, "Outbox"},       {Folder::Drafts, "Drafts"},
                                                    {Folder::Templates, "Templates"}, {Folder::Reports, "Reports"}};
    for (const auto& [folder, text] : texts) {
        EXPECT_EQ(folders.NodeText(folder), text);
        EXPECT_FALSE(folders.NodeBold(folder));
        EXPECT_EQ(folders.Model(folder).Kind(), folder);
        EXPECT_EQ(folders.Model(folder).parent(), &folders);
    }
    EXPECT_EQ(folders.UnreadText(), "");
}

TEST(MessageFolders, UnreadCounter)
{
    struct Case
    {
        int Unread, Read;
        const char* Node;
        bool Bold;
        const char* Status;
    };
    const Case cases[] = {
        {0, 2, "Inbox", false, ""},
        {1, 1, "Inbox (1)", true, "You have 1 unread message"},
        {2, 0, "Inbox (2)", true, "You have 2 unread messages"},
        {12, 3, "Inbox (12)", true, "You have 12 unread messages"},
    };
    for (const Case& c : cases) {
        MessageFolders folders;
        for (int i = 0; i < c.Unread; ++i)
            AddMsg(folders.Model(Folder::Inbox), Msg{}, true, ImageUnread);
        for (int i = 0; i < c.Read; ++i)
            AddMsg(folders.Model(Folder::Inbox), Msg{}, true, ImageRead);
        // Unread images elsewhere do not count.
        AddMsg(folders.Model(Folder::Sent), Msg{}, true, ImageUnread);
        EXPECT_EQ(folders.NodeText(Folder::Inbox), "Inbox") << "shown only once counted";
        EXPECT_EQ(folders.UpdateUnreadCounter(), c.Unread);
        EXPECT_EQ(folders.NodeText(Folder::Inbox), c.Node);
        EXPECT_EQ(folders.NodeBold(Folder::Inbox), c.Bold);
        EXPECT_EQ(folders.UnreadText(), c.Status);
    }
}

TEST(MessageFolders, ReadingUpdatesTheCount)
{
    MessageFolders folders;
    FolderModel& inbox = folders.Model(Folder::Inbox);
    SmsData* a = AddMsg(inbox, Msg{}, true, ImageUnread);
    AddMsg(inbox, Msg{}, true, ImageUnread);
    folders.UpdateUnreadCounter();
    QSignalSpy nodes(&folders, &MessageFolders::NodesChanged);
    inbox.SetImage(a, ImageRead);
    EXPECT_EQ(folders.NodeText(Folder::Inbox), "Inbox (2)") << "until counted again";
    EXPECT_EQ(folders.UpdateUnreadCounter(), 1);
    EXPECT_EQ(folders.NodeText(Folder::Inbox), "Inbox (1)");
    EXPECT_EQ(folders.UnreadText(), "You have 1 unread message");
    EXPECT_EQ(nodes.size(), 1);
    folders.UpdateUnreadCounter();
    EXPECT_EQ(nodes.size(), 1) << "the same count again changes nothing";
}

TEST(MessageFolders, OutboxCounter)
{
    MessageFolders folders;
    FolderModel& outbox = folders.Model(Folder::Outbox);
    QSignalSpy nodes(&folders, &MessageFolders::NodesChanged);
    EXPECT_EQ(folders.UpdateOutboxCounter(), 0);
    EXPECT_EQ(nodes.size(), 0);
    SmsData* a = AddMsg(outbox, Msg{}, false, ImageQueued);
    AddMsg(outbox, Msg{}, false, ImageQueued);
    EXPECT_EQ(folders.UpdateOutboxCounter(), 2);
    EXPECT_EQ(folders.NodeText(Folder::Outbox), "Outbox (2)");
    EXPECT_TRUE(folders.NodeBold(Folder::Outbox));
    outbox.Remove(a);
    EXPECT_EQ(folders.UpdateOutboxCounter(), 1);
    EXPECT_EQ(folders.NodeText(Folder::Outbox), "Outbox (1)");
    outbox.Clear();
    EXPECT_EQ(folders.UpdateOutboxCounter(), 0);
    EXPECT_EQ(folders.NodeText(Folder::Outbox), "Outbox");
    EXPECT_FALSE(folders.NodeBold(Folder::Outbox));
    EXPECT_EQ(nodes.size(), 3);
}

TEST(MessageFolders, ReportNodeBoldUntilSeen)
{
    MessageFolders folders;
    QSignalSpy nodes(&folders, &MessageFolders::NodesChanged);
    AddMsg(folders.Model(Folder::Inbox), Msg{});
    EXPECT_FALSE(folders.NodeBold(Folder::Reports));
    AddMsg(folders.Model(Folder::Reports), Msg{}, true, ImageReport);
    EXPECT_TRUE(folders.NodeBold(Folder::Reports));
    EXPECT_EQ(folders.NodeText(Folder::Reports), "Reports");
    AddMsg(folders.Model(Folder::Reports), Msg{}, true, ImageReport);
    EXPECT_EQ(nodes.size(), 1);
    folders.SetReportsSeen(true);
    EXPECT_FALSE(folders.NodeBold(Folder::Reports));
    EXPECT_EQ(nodes.size(), 2);
    folders.SetReportsSeen(true);
    EXPECT_EQ(nodes.size(), 2);
    AddMsg(folders.Model(Folder::Reports), Msg{}, true, ImageReport);
    EXPECT_TRUE(folders.NodeBold(Folder::Reports));
}

TEST(MessageFolders, ClearMessageListsKeepsTemplatesAndOutbox)
{
    MessageFolders folders;
    for (int k = 0; k < FolderCount; ++k)
        AddMsg(folders.Model(static_cast<Folder>(k)), Msg{}, true, ImageUnread);
    AddMsg(folders.Model(Folder::Templates), Msg{}, true, ImageTemplate);
    folders.UpdateUnreadCounter();
    folders.UpdateOutboxCounter();
    ASSERT_TRUE(folders.NodeBold(Folder::Inbox));
    ASSERT_TRUE(folders.NodeBold(Folder::Outbox));
    ASSERT_TRUE(folders.NodeBold(Folder::Reports));

    QSignalSpy nodes(&folders, &MessageFolders::NodesChanged);
    folders.ClearMessageLists();
    for (const Folder folder : {Folder::Inbox, Folder::Sent, Folder::Drafts, Folder::Reports})
        EXPECT_EQ(folders.Model(folder).Count(), 0) << static_cast<int>(folder);
    EXPECT_EQ(folders.Model(Folder::Templates).Count(), 2);
    // Unsent messages exist nowhere else.
    EXPECT_EQ(folders.Model(Folder::Outbox).Count(), 1);
    EXPECT_EQ(folders.Model(Folder::Inbox).FindById(1), nullptr);
    EXPECT_EQ(folders.Model(Folder::Templates).FindById(1), folders.Model(Folder::Templates).At(0));
    EXPECT_EQ(folders.NodeText(Folder::Inbox), "Inbox");
    EXPECT_EQ(folders.NodeText(Folder::Outbox), "Outbox (1)");
    for (int k = 0; k < FolderCount; ++k)
        EXPECT_EQ(folders.NodeBold(static_cast<Folder>(k)), k == static_cast<int>(Folder::Outbox)) << k;
    EXPECT_EQ(folders.UnreadText(), "");
    EXPECT_EQ(nodes.size(), 1);
    folders.ClearMessageLists();
    EXPECT_EQ(nodes.size(), 1) << "nothing left to change";
}

TEST(MessageFolders, BulkLoadTellsNodesOnceAtTheEnd)
{
    MessageFolders folders;
    QSignalSpy nodes(&folders, &MessageFolders::NodesChanged);
    QSignalSpy inboxReset(&folders.Model(Folder::Inbox), &FolderModel::modelReset);
    folders.BeginBulk();
    // A replay fills every folder but the Outbox, whose new rows must be sendable at once.
    for (int k = 0; k < FolderCount; ++k)
        EXPECT_EQ(folders.Model(static_cast<Folder>(k)).InBulk(), k != static_cast<int>(Folder::Outbox)) << k;
    for (int i = 0; i < 5; ++i) {
        Msg m;
        m.Id = i + 1;
        AddMsg(folders.Model(Folder::Inbox), m, true, ImageUnread);
        EXPECT_EQ(folders.UpdateUnreadCounter(), i + 1) << "gathered rows count";
    }
    AddMsg(folders.Model(Folder::Reports), Msg{}, true, ImageReport);
    AddMsg(folders.Model(Folder::Outbox), Msg{}, true, ImageQueued);
    folders.UpdateOutboxCounter();
    EXPECT_EQ(folders.Model(Folder::Inbox).rowCount(), 0);
    EXPECT_EQ(nodes.size(), 0);
    EXPECT_EQ(folders.NodeText(Folder::Inbox), "Inbox (5)");
    folders.EndBulk();
    EXPECT_EQ(nodes.size(), 1);
    EXPECT_EQ(inboxReset.size(), 1);
    for (int k = 0; k < FolderCount; ++k)
        EXPECT_FALSE(folders.Model(static_cast<Folder>(k)).InBulk()) << k;
    EXPECT_EQ(folders.Model(Folder::Inbox).rowCount(), 5);
    EXPECT_TRUE(folders.NodeBold(Folder::Reports));
    EXPECT_EQ(folders.NodeText(Folder::Outbox), "Outbox (1)");

    folders.BeginBulk();
    folders.UpdateUnreadCounter();
    folders.EndBulk();
    EXPECT_EQ(nodes.size(), 1) << "a load that changes nothing tells nothing";
}

} // namespace
