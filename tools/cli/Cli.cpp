#include "Cli.h"

#include "device/service/EventWait.h"

#include <QJsonDocument>

#include <cstdio>

namespace cli {

bool jsonOutput = false;
bool verbose = false;

void PrintJson(const QJsonObject& object)
{
    std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintText(const QString& line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void PrintError(const QString& text)
{
    if (jsonOutput)
        PrintJson({{"ok", false}, {"error", text}});
    else
        std::fprintf(stderr, "parlowen-cli: %s\n", text.toUtf8().constData());
}

std::intptr_t Collector::Handle(const Message& m)
{
    if (m.Number == WM_BROADBAND_LOG) {
        if (const auto* text = m.Record<std::string>()) {
            log.push_back(*text);
            if (verbose)
                std::fprintf(stderr, "%s\n", text->c_str());
        }
    } else if (m.Number == WM_BROADBAND_EVENT) {
        if (const auto* result = m.Record<BROADBAND_REQUEST_RESULT>())
            completions[result->RequestID] = result->Status;
        if (m.WParam == EV_SMS_BATCH)
            batch = true;
    } else if (m.Number == WM_BROADBAND_SMS) {
        if (const auto* data = m.Record<BROADBAND_SMS_DATA>(); data && batch)
            messages.push_back(*data);
    } else if (m.Number == WM_BROADBAND_INFO) {
        if (const auto* row = m.Record<BROADBAND_INFO_DATA>())
            rows.emplace_back(m.WParam, *row);
    } else if (m.Number == WM_BROADBAND_PHONEBOOK) {
        if (const auto* item = m.Record<MBIM_PHONEBOOK_ITEM>())
            entries.push_back(*item);
        if (const auto* config = m.Record<MBIM_PHONEBOOK_CONFIGURATION>())
            phonebook = *config;
    }
    return 0;
}

void PrintRows(const Collector& collector)
{
    QString group;
    for (const auto& [kind, row] : collector.rows) {
        const QString name = QString::fromStdString(row.Name), value = QString::fromStdString(row.Value);
        if (kind == INFO_GROUP) {
            group = name;
            if (!jsonOutput)
                PrintText(name + QLatin1Char(':'));
        } else if (jsonOutput) {
            PrintJson({{"group", group},
                       {"name", name},
                       {"value", value},
                       {"kind", kind == INFO_ERROR ? QStringLiteral("error") : QStringLiteral("item")}});
        } else {
            PrintText(QStringLiteral("  %1: %2").arg(name, value));
        }
    }
}

// Waits for the completion of a request and reports it; true when it succeeded.
bool Outcome(const std::map<std::uint32_t, HRESULT>& completions, std::uint32_t requestId, const QString& what,
             int timeoutMs)
{
    ProcessEventsUntil([&] { return completions.count(requestId) > 0; }, timeoutMs);
    const auto it = completions.find(requestId);
    const bool ok = it != completions.end() && it->second == 0;
    const QString result = it == completions.end() ? QStringLiteral("no completion from the device")
                                                   : QString::fromStdString(HresultText(it->second));
    if (jsonOutput)
        PrintJson({{"request", what}, {"requestId", static_cast<qint64>(requestId)}, {"ok", ok}, {"result", result}});
    else
        PrintText(QStringLiteral("%1  request %2  %3").arg(what).arg(requestId).arg(result));
    return ok;
}

} // namespace cli
