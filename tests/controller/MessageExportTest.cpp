#include "controller/MessageExport.h"
#include "Rows.h"
#include "app/Settings.h"
#include "controller/Csv.h"
#include "support/RecordingHost.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using Kind = testsupport::ScriptedPrompts::Kind;
using testsupport::RecordingHost;

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

struct SaveCase
{
    const char* name;
    Msg message;
    bool contacts;
    QByteArray bytes;
};

class SaveMessage : public ::testing::TestWithParam<SaveCase>
{ };

TEST_P(SaveMessage, WritesTheLabelledLinesWithBomAndCrLf)
{
    const SaveCase& c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("message.txt"));
    RecordingHost host;
    host.prompts.files = {path};
    message_export::SmsSaveActionExecute(host, *MakeSms(c.message), c.contacts);
    EXPECT_EQ(ReadAll(path), c.bytes);
    EXPECT_EQ(host.log, QStringList({"Messages -> Save", "Messages -> Save -> Done"}));
    ASSERT_EQ(host.prompts.shown.size(), 2u);
    EXPECT_EQ(host.prompts.shown[0],
              (testsupport::ScriptedPrompts::Prompt{Kind::SaveFile, "Save message", "Text file (*.txt);;All files (*)",
                                                    PromptIcon::Question, "txt"}));
    EXPECT_EQ(host.prompts.shown[1],
              (testsupport::ScriptedPrompts::Prompt{
                  Kind::Show, "Messages", "Message saved successfully.", PromptIcon::Information, {}}));
}

Msg Message(int id, const char* number, const char* date, const char* time, const char* text)
{
    Msg m;
    m.Id = id;
    m.Number = QString::fromUtf8(number);
    m.Date = QString::fromUtf8(date);
    m.Time = QString::fromUtf8(time);
    m.Text = QString::fromUtf8(text);
    return m;
}

Msg Named(Msg m, const char* name)
{
    m.Name = QString::fromUtf8(name);
    return m;
}

Msg Template(Msg m)
{
    m.Date.clear();
    m.Time.clear();
    return m;
}

const Msg kTwoLines = Message(1, "+15550100", "01.02.2024", "10:00:00", "Line one\nZwei \xc3\xbc");

INSTANTIATE_TEST_SUITE_P(
    Messages, SaveMessage,
    ::testing::Values(SaveCase{"withName", Named(kTwoLines, "Ann"), true,
                               "\xEF\xBB\xBF"
                               "Date:\r\n01.02.2024\r\n\r\nTime:\r\n10:00:00\r\n\r\nNumber:\r\n+15550100\r\n\r\n"
                               "Name:\r\nAnn\r\n\r\nMessage:\r\nLine one\r\nZwei \xc3\xbc\r\n"},
                      SaveCase{"nameWithoutContacts", Named(kTwoLines, "Ann"), false,
                               "\xEF\xBB\xBF"
                               "Date:\r\n01.02.2024\r\n\r\nTime:\r\n10:00:00\r\n\r\nNumber:\r\n+15550100\r\n\r\n"
                               "Message:\r\nLine one\r\nZwei \xc3\xbc\r\n"},
                      SaveCase{"contactsWithoutName", kTwoLines, true,
                               "\xEF\xBB\xBF"
                               "Date:\r\n01.02.2024\r\n\r\nTime:\r\n10:00:00\r\n\r\nNumber:\r\n+15550100\r\n\r\n"
                               "Message:\r\nLine one\r\nZwei \xc3\xbc\r\n"},
                      SaveCase{"noDateOrTime", Template(Message(4, "+15550199", "", "", "Call me")), true,
                               "\xEF\xBB\xBF"
                               "Number:\r\n+15550199\r\n\r\nMessage:\r\nCall me\r\n"},
                      SaveCase{"emptyText", Template(Message(5, "", "", "", "")), true,
                               "\xEF\xBB\xBFMessage:\r\n\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveMessage, AFailedWriteIsLoggedAndReported)
{
    QTemporaryDir dir;
    RecordingHost host;
    // A folder in the way of the file.
    host.prompts.files = {dir.path()};
    message_export::SmsSaveActionExecute(host, *MakeSms(kTwoLines), true);
    ASSERT_EQ(host.log.size(), 2);
    EXPECT_EQ(host.log[0], "Messages -> Save");
    EXPECT_TRUE(host.log[1].startsWith(QLatin1String("Messages -> Save -> Error -> "))) << host.log[1].toStdString();
    EXPECT_GT(host.log[1].size(), QStringLiteral("Messages -> Save -> Error -> ").size()) << "the reason is given";
    ASSERT_EQ(host.prompts.shown.size(), 2u);
    EXPECT_EQ(host.prompts.shown[1].text, "Error saving message.");
    EXPECT_EQ(host.prompts.shown[1].icon, PromptIcon::Error);
}

TEST(SaveMessage, ACancelledDialogDoesNothing)
{
    RecordingHost host;
    host.prompts.files = {std::nullopt};
    message_export::SmsSaveActionExecute(host, *MakeSms(kTwoLines), true);
    EXPECT_TRUE(host.log.isEmpty());
    EXPECT_EQ(host.prompts.shown.size(), 1u);
}

TEST(PrintLines, EveryBreakOfTheTextIsALineOfItsOwn)
{
    const auto sms = MakeSms(Named(Message(1, "+1555", "01.02.2024", "", "a\nb\rc\n\nd"), "Bo"));
    EXPECT_EQ(message_export::PrintLines(*sms, true),
              QStringList({"Date:", "01.02.2024", "", "Number:", "+1555", "", "Name:", "Bo", "", "Message:", "a", "b",
                           "c", "", "d"}));
}

// Two rows of the Inbox, newest first as it lists them.
struct Inbox
{
    Inbox()
    {
        model.SetSortKey(-2);
        AddMsg(model, Message(1, "+15550102", "01.02.2024", "10:00:00", "tab\there space"));
        AddMsg(model, Message(2, "+15550101", "02.02.2024", "9:30:00", "Hi; there, \"you\"\nbye"));
        AddMsg(model, Message(3, "+15550103", "31.01.2024", "23:59:59", "Plain"));
    }
    FolderModel model{Folder::Inbox};
};

struct ExportCase
{
    const char* name;
    int setting;
    char delimiter;
    QByteArray bytes;
};

class ExportMessages : public ::testing::TestWithParam<ExportCase>
{ };

TEST_P(ExportMessages, WritesOneQuotedWhereNeededLinePerRowInListOrder)
{
    const ExportCase& c = GetParam();
    SettingsStore settings;
    settings.CsvDelimiter = c.setting;
    Inbox inbox;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    RecordingHost host;
    host.prompts.files = {path};
    QList<bool> busy;
    message_export::SmsExportActionExecute(host, inbox.model, settings.CsvDelimiterChar(),
                                           [&](bool on) { busy << on; });
    EXPECT_EQ(ReadAll(path), c.bytes);
    EXPECT_EQ(busy, QList<bool>({true, false}));
    EXPECT_EQ(host.log, QStringList({"Messages -> Export",
                                     QStringLiteral("Messages -> Export -> Settings -> Delimiter: '") +
                                         QLatin1Char(c.delimiter) + QLatin1Char('\''),
                                     "Messages -> Export -> Done"}));
    ASSERT_EQ(host.prompts.shown.size(), 2u);
    EXPECT_EQ(host.prompts.shown[0], (testsupport::ScriptedPrompts::Prompt{Kind::SaveFile, "Export messages",
                                                                           "CSV file (*.csv *.txt);;All files (*)",
                                                                           PromptIcon::Question, "csv"}));
    EXPECT_EQ(host.prompts.shown[1],
              (testsupport::ScriptedPrompts::Prompt{
                  Kind::Show, "Messages", "Export completed successfully.", PromptIcon::Information, {}}));
}

INSTANTIATE_TEST_SUITE_P(
    Delimiters, ExportMessages,
    ::testing::Values(ExportCase{"semicolon", 0, ';',
                                 "\xEF\xBB\xBF"
                                 "1;02.02.2024;9:30:00;+15550101;\"Hi; there, \"\"you\"\" bye\"\r\n"
                                 "2;01.02.2024;10:00:00;+15550102;tab\there space\r\n"
                                 "3;31.01.2024;23:59:59;+15550103;Plain\r\n"},
                      ExportCase{"comma", 1, ',',
                                 "\xEF\xBB\xBF"
                                 "1,02.02.2024,9:30:00,+15550101,\"Hi; there, \"\"you\"\" bye\"\r\n"
                                 "2,01.02.2024,10:00:00,+15550102,tab\there space\r\n"
                                 "3,31.01.2024,23:59:59,+15550103,Plain\r\n"},
                      ExportCase{"tab", 2, '\t',
                                 "\xEF\xBB\xBF"
                                 "1\t02.02.2024\t9:30:00\t+15550101\t\"Hi; there, \"\"you\"\" bye\"\r\n"
                                 "2\t01.02.2024\t10:00:00\t+15550102\t\"tab\there space\"\r\n"
                                 "3\t31.01.2024\t23:59:59\t+15550103\tPlain\r\n"},
                      ExportCase{"space", 3, ' ',
                                 "\xEF\xBB\xBF"
                                 "1 02.02.2024 9:30:00 +15550101 \"Hi; there, \"\"you\"\" bye\"\r\n"
                                 "2 01.02.2024 10:00:00 +15550102 \"tab\there space\"\r\n"
                                 "3 31.01.2024 23:59:59 +15550103 Plain\r\n"},
                      ExportCase{"outOfRange", 4, ';',
                                 "\xEF\xBB\xBF"
                                 "1;02.02.2024;9:30:00;+15550101;\"Hi; there, \"\"you\"\" bye\"\r\n"
                                 "2;01.02.2024;10:00:00;+15550102;tab\there space\r\n"
                                 "3;31.01.2024;23:59:59;+15550103;Plain\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExportMessages, AnEmptyFolderGivesOnlyTheByteOrderMark)
{
    FolderModel drafts(Folder::Drafts);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("empty.csv"));
    RecordingHost host;
    host.prompts.files = {path};
    message_export::SmsExportActionExecute(host, drafts, ';');
    EXPECT_EQ(ReadAll(path), QByteArray("\xEF\xBB\xBF"));
}

TEST(ExportMessages, AFailedWriteIsLoggedAndReported)
{
    Inbox inbox;
    QTemporaryDir dir;
    RecordingHost host;
    host.prompts.files = {dir.filePath(QStringLiteral("missing/out.csv"))};
    message_export::SmsExportActionExecute(host, inbox.model, ';');
    ASSERT_EQ(host.log.size(), 3);
    EXPECT_TRUE(host.log[2].startsWith(QLatin1String("Messages -> Export -> Error -> "))) << host.log[2].toStdString();
    ASSERT_EQ(host.prompts.shown.size(), 2u);
    EXPECT_EQ(host.prompts.shown[1].text, "Error exporting messages.");
    EXPECT_EQ(host.prompts.shown[1].icon, PromptIcon::Error);
}

TEST(ExportMessages, ALineBreakLeftInTheTextIsQuoted)
{
    // The list form turns LF into a blank; a CR stays and must not end the row.
    FolderModel inbox(Folder::Inbox);
    AddMsg(inbox, Message(1, "+15550100", "01.02.2024", "10:00:00", "Line one\r\nLine two\rthree"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    RecordingHost host;
    host.prompts.files = {path};
    message_export::SmsExportActionExecute(host, inbox, ';');
    EXPECT_EQ(ReadAll(path), QByteArray("\xEF\xBB\xBF"
                                        "1;01.02.2024;10:00:00;+15550100;\"Line one\r Line two\rthree\"\r\n"));
    QString text;
    QString error;
    ASSERT_TRUE(csv::ReadText(path, &text, &error));
    csv::RecordReader reader(text, ';');
    QStringList fields;
    ASSERT_TRUE(reader.Next(&fields));
    EXPECT_EQ(fields, QStringList({"1", "01.02.2024", "10:00:00", "+15550100", inbox.At(0)->ListText()}));
    EXPECT_FALSE(reader.Next(&fields)) << "one row";
}

TEST(AnalyseMessage, LogsEveryPartWithItsDuplicateMark)
{
    SmsData sms;
    sms.AddUnit(7, "+15550100", 2, 2, 42, "PDU2", "10:00:01", "01.02.2024", " world");
    sms.AddUnit(5, "+15550100", 2, 1, 42, "PDU1", "10:00:00", "01.02.2024", "Hello");
    sms.AddUnit(9, "+15550100", 2, 2, 42, "PDU2B", "10:00:02", "01.02.2024", " again");
    RecordingHost host;
    message_export::SmsAnalyseActionExecute(host, sms);
    EXPECT_EQ(host.log, QStringList({"Analyse -> Message for +15550100", "Analyse -> Parts: 3(2)",
                                     "Analyse -> Part #0(1)", "Analyse -> Dublicated:0", "Analyse -> Text:Hello",
                                     "Analyse -> PDU:PDU1", "Analyse -> Part #1(2)", "Analyse -> Dublicated:0",
                                     "Analyse -> Text: world", "Analyse -> PDU:PDU2", "Analyse -> Part #2(2)",
                                     "Analyse -> Dublicated:1", "Analyse -> Text: again", "Analyse -> PDU:PDU2B"}));
    EXPECT_TRUE(host.prompts.shown.empty());
}

} // namespace
