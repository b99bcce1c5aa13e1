// parlowen-cli end to end: a simulated modem in this process, the tool as a child process.

#include "sim/ModemSimulator.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <set>

namespace {

struct CliRun
{
    int exitCode = -1;
    std::vector<QJsonObject> lines;
    QString output;
};

CliRun Cli(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(PARLOWEN_CLI), args);
    CliRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitCode();
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    for (const QString& line : run.output.split('\n', Qt::SkipEmptyParts))
        run.lines.push_back(QJsonDocument::fromJson(line.toUtf8()).object());
    return run;
}

class CliTest : public testing::Test
{
protected:
    void SetUp() override
    {
        sim::ModemSimulator::Options options;
        options.modem.loopbackDelayMs = 0;
        options.modem.demoContents = false;
        options.modem.scanDelayMs = 200;
        modem = std::make_unique<sim::ModemSimulator>(options);
        std::string error;
        ASSERT_TRUE(modem->start(&error)) << error;
        device = QString::fromStdString(modem->devicePath());
    }

    QStringList With(QStringList args) const { return QStringList{"--device", device, "--json"} + args; }

    std::unique_ptr<sim::ModemSimulator> modem;
    QString device;
};

TEST_F(CliTest, SendsTwoPartsToItsOwnNumberReadsThemBackAndDeletes)
{
    const QString text = QString(120, 'a') + QString(80, 'b');
    const CliRun sent = Cli(With({"sms-send", "+15550100123", text}));
    ASSERT_EQ(sent.exitCode, 0) << sent.output.toStdString();
    ASSERT_EQ(sent.lines.size(), 2u);
    std::set<qint64> requestIds;
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(sent.lines[i]["part"].toInt(), static_cast<int>(i + 1));
        EXPECT_EQ(sent.lines[i]["parts"].toInt(), 2);
        EXPECT_TRUE(sent.lines[i]["ok"].toBool());
        requestIds.insert(sent.lines[i]["requestId"].toInteger());
    }
    EXPECT_EQ(requestIds.size(), 2u);

    // The network hands the parts back to the own number; wait until both are stored.
    CliRun listed;
    for (int attempt = 0; attempt < 100; ++attempt) {
        listed = Cli(With({"sms-list"}));
        if (listed.lines.size() >= 2)
            break;
        QThread::msleep(100);
    }
    ASSERT_EQ(listed.exitCode, 0);
    ASSERT_EQ(listed.lines.size(), 2u) << listed.output.toStdString();
    QString joined;
    for (const auto& line : listed.lines) {
        EXPECT_TRUE(line["ok"].toBool());
        EXPECT_EQ(line["parts"].toInt(), 2);
        EXPECT_EQ(line["number"].toString(), "+15550100123");
    }
    const bool ordered = listed.lines[0]["part"].toInt() == 1;
    joined = listed.lines[ordered ? 0 : 1]["text"].toString() + listed.lines[ordered ? 1 : 0]["text"].toString();
    EXPECT_EQ(joined, text);

    for (const auto& line : listed.lines) {
        const CliRun deleted = Cli(With({"sms-delete", QString::number(line["index"].toInteger())}));
        EXPECT_EQ(deleted.exitCode, 0) << deleted.output.toStdString();
    }
    const CliRun empty = Cli(With({"sms-list"}));
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_TRUE(empty.lines.empty());
}

TEST_F(CliTest, FailuresGiveAnErrorExitStatus)
{
    struct Case
    {
        QStringList args;
        int exitCode;
    };
    const Case cases[] = {
        {With({"sms-delete", "7"}), 1}, // nothing stored there
        {With({"sms-delete", "x"}), 2},
        {With({"sms-send", "12ab", "hi"}), 2},
        {With({"sms-send", "+1555"}), 2},
        {With({"frobnicate"}), 2},
        {{"--device", "/nonexistent/cdc-wdm9", "sms-list"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        EXPECT_EQ(Cli(c.args).exitCode, c.exitCode);
    }
    const CliRun devices = Cli(With({"devices"}));
    ASSERT_EQ(devices.exitCode, 0);
    ASSERT_EQ(devices.lines.size(), 1u);
    EXPECT_EQ(devices.lines[0]["path"].toString(), device);
    EXPECT_EQ(devices.lines[0]["interface"].toString().size(), 38);
}

TEST_F(CliTest, UssdDialogueAnswersTheMenu)
{
    const CliRun run = Cli(With({"ussd", "*101#", "2"}));
    EXPECT_EQ(run.exitCode, 0) << run.output.toStdString();
    ASSERT_EQ(run.lines.size(), 2u) << run.output.toStdString();
    EXPECT_EQ(run.lines[0]["result"].toString(), "Action Required");
    EXPECT_TRUE(run.lines[0]["text"].toString().startsWith("Simnet services:"));
    EXPECT_EQ(run.lines[1]["result"].toString(), "No Action Required");
    EXPECT_EQ(run.lines[1]["text"].toString(), "Tariff: Simnet Basic, 0.09 EUR per SMS.");

    // The network refusing a code fails the command; a code after a finished dialogue too.
    EXPECT_EQ(Cli(With({"ussd", "*999#"})).exitCode, 1);
    EXPECT_EQ(Cli(With({"ussd", "*100#", "1"})).exitCode, 1);
}

TEST_F(CliTest, PhonebookWriteListDelete)
{
    ASSERT_EQ(Cli(With({"phonebook", "write", "Test", "1234567890"})).exitCode, 0);
    CliRun list = Cli(With({"phonebook", "list"}));
    ASSERT_EQ(list.exitCode, 0);
    qint64 index = 0;
    for (const auto& line : list.lines)
        if (line["name"].toString() == "Test" && line["number"].toString() == "1234567890")
            index = line["index"].toInteger();
    ASSERT_GT(index, 0) << list.output.toStdString();
    ASSERT_EQ(Cli(With({"phonebook", "delete", QString::number(index)})).exitCode, 0);
    list = Cli(With({"phonebook", "list"}));
    for (const auto& line : list.lines)
        EXPECT_NE(line["name"].toString(), "Test");
    // Deleting it again is refused by the SIM.
    EXPECT_EQ(Cli(With({"phonebook", "delete", QString::number(index)})).exitCode, 1);
}

TEST_F(CliTest, InformationStatusScanRegistrationAndRadio)
{
    const CliRun info = Cli(With({"info"}));
    ASSERT_EQ(info.exitCode, 0);
    QStringList lines;
    for (const auto& line : info.lines)
        lines << line["line"].toString();
    EXPECT_TRUE(lines.contains("Providers found: 3"));
    EXPECT_TRUE(lines.contains("Registration state: REGISTER_STATE_HOME (3)"));

    const CliRun status = Cli(With({"status"}));
    ASSERT_EQ(status.exitCode, 0);
    bool preferred = false;
    for (const auto& row : status.lines)
        preferred = preferred || (row["group"].toString() == "Preferred providers" &&
                                  row["name"].toString() == "Providers found" && row["value"].toString() == "2");
    EXPECT_TRUE(preferred) << status.output.toStdString();

    const CliRun scan = Cli(With({"scan"}));
    EXPECT_EQ(scan.exitCode, 0) << scan.output.toStdString();
    ASSERT_FALSE(scan.lines.empty());
    EXPECT_TRUE(scan.lines[0]["ok"].toBool());

    const CliRun manual = Cli(With({"register", "00102"}));
    EXPECT_EQ(manual.exitCode, 0) << manual.output.toStdString();
    EXPECT_EQ(manual.lines.back()["provider"].toString(), "Parlo Mobile");
    EXPECT_TRUE(manual.lines.back()["roaming"].toBool());
    EXPECT_EQ(Cli(With({"register", "00103"})).exitCode, 1); // forbidden
    EXPECT_EQ(Cli(With({"register", "auto", "--data-class", "0x20"})).exitCode, 0);

    EXPECT_EQ(Cli(With({"radio", "off"})).exitCode, 0);
    EXPECT_EQ(Cli(With({"scan"})).exitCode, 1);
    EXPECT_EQ(Cli(With({"radio", "on"})).exitCode, 0);
}

TEST_F(CliTest, ListFailsWhenAStoredMessageDoesNotDecode)
{
    ASSERT_EQ(modem->deliverSms({"+15550100777", u"sound", false, false, {}}), 1u);
    const CliRun sound = Cli(With({"sms-list"}));
    EXPECT_EQ(sound.exitCode, 0) << sound.output.toStdString();
    ASSERT_EQ(sound.lines.size(), 1u);

    // No service centre, then a deliver header with nothing after it.
    modem->withCore([](sim::ModemCore& core) { core.sim().storeSms(0, sim::Bytes{0x00, 0x04}); });
    for (const QStringList& args : {With({"sms-list"}), QStringList{"--device", device, "sms-list"}}) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const CliRun broken = Cli(args);
        EXPECT_EQ(broken.exitCode, 1) << broken.output.toStdString();
        EXPECT_EQ(broken.output.count('\n'), 2) << "both messages are still listed";
    }
    const CliRun listed = Cli(With({"sms-list"}));
    ASSERT_EQ(listed.lines.size(), 2u);
    EXPECT_TRUE(listed.lines[0]["ok"].toBool());
    EXPECT_EQ(listed.lines[0]["text"].toString(), "sound");
    EXPECT_FALSE(listed.lines[1]["ok"].toBool());
    EXPECT_FALSE(listed.lines[1]["error"].toString().isEmpty());
}

TEST_F(CliTest, ListLeavesOutAFlashMessageArrivingDuringTheRead)
{
    ASSERT_EQ(modem->deliverSms({"+15550100777", u"stored", false, false, {}}), 1u);
    std::atomic<bool> reading{false};
    modem->setLog([&](const std::string& line) {
        if (line == "query sms cid 2")
            reading = true;
    });
    // Answers are held back, so the flash message comes while the read waits for its answer.
    modem->setReplyDelay(500);
    QProcess process;
    process.start(QStringLiteral(PARLOWEN_CLI), With({"sms-list"}));
    ASSERT_TRUE(process.waitForStarted());
    for (int i = 0; i < 2000 && !reading && process.state() != QProcess::NotRunning; ++i)
        QThread::msleep(5);
    ASSERT_TRUE(reading);
    modem->deliverSms({"+15550100777", u"flash", false, true, {}});
    ASSERT_TRUE(process.waitForFinished(60000));
    modem->setLog({});
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(process.exitCode(), 0) << output.toStdString();
    const QStringList lines = output.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << output.toStdString();
    const QJsonObject only = QJsonDocument::fromJson(lines[0].toUtf8()).object();
    EXPECT_EQ(only["text"].toString(), "stored");
    EXPECT_FALSE(only["class0"].toBool());
}

class CliUsage : public CliTest, public testing::WithParamInterface<QStringList>
{ };

TEST_P(CliUsage, IsRefusedBeforeTheDeviceIsAsked)
{
    EXPECT_EQ(Cli(With(GetParam())).exitCode, 2);
}

INSTANTIATE_TEST_SUITE_P(Bad, CliUsage,
                         testing::Values(QStringList{"radio", "maybe"}, QStringList{"ussd"},
                                         QStringList{"phonebook", "write", "Name"},
                                         QStringList{"phonebook", "delete", "0"}, QStringList{"phonebook", "erase"},
                                         QStringList{"pin"}, QStringList{"register", "auto", "--data-class", "lots"},
                                         QStringList{"register"}));

} // namespace
