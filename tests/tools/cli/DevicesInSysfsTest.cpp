// parlowen-cli devices without --device: the modems it finds in a fake sysfs (umockdev), USB and
// PCIe alike. The tool runs with umockdev's preload; each port's node is a simulated modem.

#include "device/service/BroadbandService.h"
#include "sim/ModemSimulator.h"
#include "support/FakeSysfs.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

QProcessEnvironment Preloaded(const testsupport::FakeSysfs& sysfs)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : sysfs.ChildEnvironment())
        environment.insert(QString::fromStdString(name), QString::fromStdString(value));
    return environment;
}

struct ChildRun
{
    int exitCode = -1;
    QString output;
};

ChildRun RunPreloaded(const testsupport::FakeSysfs& sysfs, const QString& program, const QStringList& args)
{
    QProcess process;
    process.setProcessEnvironment(Preloaded(sysfs));
    process.start(program, args);
    ChildRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.output = QString::fromUtf8(process.readAllStandardOutput());
    return run;
}

TEST(DevicesInSysfsTest, ListsTheMbimPortsOfUsbAndPcieModems)
{
    testsupport::FakeSysfs sysfs;
    std::string error;
    ASSERT_TRUE(sysfs.AddDescription("modems.umockdev", error)) << error;
    const QString type = RunPreloaded(sysfs, "cat", {"/sys/class/wwan/wwan0mbim0/type"}).output;
    if (type != "MBIM\n")
        GTEST_SKIP() << "umockdev's preload does not reach a child process here (a child read \"" << type.toStdString()
                     << "\" for the fake port's type)";
    // An mbim-proxy of the machine would be asked to open the ports, and it does not see the fake
    // sysfs: the tool runs in a network namespace of its own, where the proxy's abstract socket is
    // not, whenever one can be made.
    QString program = PARLOWEN_CLI;
    QStringList args{"--json", "devices"};
    if (RunPreloaded(sysfs, "unshare", {"--map-root-user", "--net", "true"}).exitCode == 0) {
        args = QStringList{"--map-root-user", "--net", program} + args;
        program = "unshare";
    } else {
        GTEST_SKIP() << "no network namespace can be made to give the tool an mbim-proxy of its own";
    }

    // Every node has a modem behind it, so a port taken wrongly would be listed too.
    std::vector<std::unique_ptr<sim::ModemSimulator>> modems;
    for (const char* name : {"cdc-wdm0", "cdc-wdm1", "wwan0mbim0", "wwan0at0", "wwan1qmi0"}) {
        sim::ModemSimulator::Options options;
        options.modem.demoContents = false;
        options.linkPath = sysfs.DevPath(name);
        modems.push_back(std::make_unique<sim::ModemSimulator>(options));
        ASSERT_TRUE(modems.back()->start(&error)) << error;
    }

    const ChildRun run = RunPreloaded(sysfs, program, args);
    const QString& output = run.output;
    EXPECT_EQ(run.exitCode, 0);
    std::map<QString, QJsonObject> byPath;
    for (const QString& line : output.split('\n', Qt::SkipEmptyParts)) {
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        byPath[object["path"].toString()] = object;
    }
    ASSERT_EQ(byPath.size(), 2u) << output.toStdString();
    ASSERT_TRUE(byPath.count("/dev/cdc-wdm0")) << output.toStdString();
    ASSERT_TRUE(byPath.count("/dev/wwan0mbim0")) << output.toStdString();
    const QRegularExpression guid("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$");
    for (const auto& [path, device] : byPath) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_TRUE(guid.match(device["interface"].toString()).hasMatch())
            << device["interface"].toString().toStdString();
        EXPECT_EQ(device["state"].toString(), "Ready");
    }
    EXPECT_NE(byPath["/dev/cdc-wdm0"]["interface"], byPath["/dev/wwan0mbim0"]["interface"]);
    // The USB modem's maker comes from its USB strings.
    EXPECT_EQ(byPath["/dev/cdc-wdm0"]["manufacturer"].toString(), "Example Radio Works");
}

} // namespace
