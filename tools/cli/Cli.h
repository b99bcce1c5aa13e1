#pragma once
// What the parlowen-cli commands share: exit codes, output as text or as JSON lines, what the
// session hands to its window, and the wait for a request's completion.

#include "app/MessageTarget.h"
#include "device/Broadband.h"
#include "device/service/BroadbandService.h"
#include "device/service/Phonebook.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace cli {

enum Exit { ExitOk = 0, ExitFailed = 1, ExitUsage = 2 };

extern bool jsonOutput;
extern bool verbose;

void PrintJson(const QJsonObject& object);
void PrintText(const QString& line);
void PrintError(const QString& text);

// What the session hands to its window, kept for the command.
struct Collector
{
    std::map<std::uint32_t, HRESULT> completions; // request results by request ID
    std::vector<BROADBAND_SMS_DATA> messages;
    std::vector<std::string> log;
    std::vector<std::pair<std::uintptr_t, BROADBAND_INFO_DATA>> rows;
    std::vector<MBIM_PHONEBOOK_ITEM> entries;
    std::optional<MBIM_PHONEBOOK_CONFIGURATION> phonebook;
    bool batch = false;

    std::intptr_t Handle(const Message& m);
};

// The rows of device information the session listed, under their group headings.
void PrintRows(const Collector& collector);

// Waits for the completion of a request and reports it; true when it succeeded.
bool Outcome(const std::map<std::uint32_t, HRESULT>& completions, std::uint32_t requestId, const QString& what,
             int timeoutMs);

// The commands, by group; each returns an Exit value.
int Devices(BroadbandService& service);

int SmsList(BroadbandService& service, MobileBroadband& session, Collector& collector, int timeoutMs);
int SmsSend(MobileBroadband& session, Collector& collector, const QString& number, const QString& text, bool report,
            bool flash, int timeoutMs);
int SmsDelete(MobileBroadband& session, Collector& collector, std::uint32_t index, int timeoutMs);

int Info(MobileBroadband& session, Collector& collector);
int Status(MobileBroadband& session, Collector& collector);

int Scan(MobileBroadband& session, Collector& collector, int timeoutMs);
int Register(MobileBroadband& session, Collector& collector, const QString& provider, std::uint32_t dataClass,
             int timeoutMs);
int Radio(BroadbandService& service, MobileBroadband& session, bool on, int timeoutMs);
int Pin(MobileBroadband& session, Collector& collector, const QString& pin, int timeoutMs);

int Ussd(QObject& context, BroadbandService& service, const std::string& interfaceId, const QStringList& codes,
         int timeoutMs);

int Phonebook(MobileBroadband& session, Collector& collector, const QStringList& args, int timeoutMs);

} // namespace cli
