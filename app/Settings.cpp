#include "Settings.h"

#include <QSettings>
#include <QVariant>

#include <algorithm>
#include <limits>

namespace {

// Longest interval whose milliseconds still fit a timer's int.
constexpr int kMaxReceiveInterval = std::numeric_limits<int>::max() / 1000;

bool ReadBool(const QSettings& store, const QString& key, bool& value)
{
    const auto d = SettingsStore::ReadDword(store, key);
    if (!d)
        return false;
    value = *d != 0;
    return true;
}

bool ReadInt(const QSettings& store, const QString& key, int& value)
{
    const auto d = SettingsStore::ReadDword(store, key);
    if (!d)
        return false;
    value = static_cast<std::int32_t>(*d);
    return true;
}

QString Bit(bool b)
{
    return b ? QStringLiteral("1") : QStringLiteral("0");
}

bool Finish(QSettings& store)
{
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace

std::optional<std::uint32_t> SettingsStore::ReadDword(const QSettings& store, const QString& key)
{
    const QVariant v = store.value(key);
    if (!v.isValid())
        return std::nullopt;
    bool ok = false;
    qlonglong n = 0;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: n = v.toLongLong(&ok); break;
    case QMetaType::QString:
    case QMetaType::QByteArray: n = v.toString().trimmed().toLongLong(&ok, 10); break;
    default: return std::nullopt; // lists, booleans written as words, floats
    }
    if (!ok || n < std::numeric_limits<std::int32_t>::min() || n > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(n);
}

std::unique_ptr<QSettings> SettingsStore::OpenUserStore(const QString& title)
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Corvaline"),
                                       title);
}

SettingsStore::SettingsStore(bool ussdAvailable) : ShowUssd(ussdAvailable)
{ }

void SettingsStore::Load(QSettings& store, const LogFunction& log)
{
    auto say = [&](const QString& line) {
        if (log)
            log(line);
    };

    store.beginGroup(QStringLiteral("Settings"));
    if (ReadBool(store, QStringLiteral("SaveOnDisk"), SaveOnDisk))
        say(QStringLiteral("Settings -> SaveOnDisk = ") + Bit(SaveOnDisk));
    ReadInt(store, QStringLiteral("ApplicationIcon"), ApplicationIcon);
    ReadInt(store, QStringLiteral("EventIcon"), EventIcon);
    ReadBool(store, QStringLiteral("HideWhenMinimized"), HideWhenMinimized);
    ReadBool(store, QStringLiteral("HideWhenClosing"), HideWhenClosing);
    ReadBool(store, QStringLiteral("AlwaysOnTop"), AlwaysOnTop);
    ReadBool(store, QStringLiteral("Contacts"), Contacts);
    bool large = false;
    if (ReadBool(store, QStringLiteral("LargeButtons"), large))
        LargeButtonsChecked = !large;
    if (ReadBool(store, QStringLiteral("LargeText"), large))
        LargeTextChecked = !large;
    ReadInt(store, QStringLiteral("LargeFont"), LargeFont);
    ReadBool(store, QStringLiteral("LargeRows"), LargeRows);
    ReadBool(store, QStringLiteral("CloseConfirmation"), CloseConfirmation);
    ReadBool(store, QStringLiteral("ShowLabels"), ShowLabels);
    ReadBool(store, QStringLiteral("ShowStatusLog"), ShowStatusLog);
    if (ReadBool(store, QStringLiteral("ShowToastNotification"), ShowToastNotification))
        say(QStringLiteral("Settings -> Toast Notification = ") + Bit(ShowToastNotification));
    if (ReadBool(store, QStringLiteral("ShowBalloonNotification"), ShowBalloonNotification))
        say(QStringLiteral("Settings -> Balloon Notification = ") + Bit(ShowBalloonNotification));
    ReadBool(store, QStringLiteral("ShowSmsID"), ShowSmsID);
    ReadBool(store, QStringLiteral("ShowTrayIcon"), ShowTrayIcon);
    ReadBool(store, QStringLiteral("ShowDataClassIcon"), ShowDataClassIcon);
    ReadBool(store, QStringLiteral("ShowDataClassIconBalloon"), ShowDataClassIconBalloon);
    ReadBool(store, QStringLiteral("ShowDataClassNotification"), ShowDataClassNotification);
    ReadBool(store, QStringLiteral("ShowNetworkRegistration"), ShowNetworkRegistration);
    ReadBool(store, QStringLiteral("ShowProgressBar"), ShowProgressBar);
    ReadBool(store, QStringLiteral("ShowUssd"), ShowUssd);
    ReadBool(store, QStringLiteral("ShowMenu"), ShowMenu);
    ReadBool(store, QStringLiteral("ShowToolBar"), ShowToolBar);
    ReadBool(store, QStringLiteral("ShowStatusBar"), ShowStatusBar);
    ReadBool(store, QStringLiteral("ShowMessageInfo"), ShowMessageInfo);
    ReadBool(store, QStringLiteral("ShowBusyNotification"), ShowBusyNotification);
    ReadBool(store, QStringLiteral("ShowSignalStrength"), ShowSignalStrength);
    ReadBool(store, QStringLiteral("ShowDataClass"), ShowDataClass);
    ReadInt(store, QStringLiteral("CsvDelimiter"), CsvDelimiter);
    store.endGroup();

    store.beginGroup(QStringLiteral("SMS"));
    ReadBool(store, QStringLiteral("DeliveryReport"), DeliveryReport);
    ReadBool(store, QStringLiteral("ConfirmationToSend"), ConfirmationToSend);
    // These three are logged whether stored or defaulted: they shape every send and read.
    ReadBool(store, QStringLiteral("SaveSent"), SaveSent);
    say(QStringLiteral("Settings -> SMS -> SaveSent = ") + Bit(SaveSent));
    ReadInt(store, QStringLiteral("MaxSendCount"), MaxSendCount);
    say(QStringLiteral("Settings -> SMS -> MaxSendCount = ") + QString::number(MaxSendCount));
    if (const auto index = ReadDword(store, QStringLiteral("MessageIndex")))
        MessageIndex = *index;
    say(QStringLiteral("Settings -> SMS -> MessageIndex = ") + QString::number(MessageIndex));
    ReadBool(store, QStringLiteral("ReceiveTimerEnabled"), ReceiveTimerEnabled);
    ReadInt(store, QStringLiteral("ReceiveTimerInterval"), ReceiveTimerInterval);
    ReceiveTimerInterval = std::clamp(ReceiveTimerInterval, 15, kMaxReceiveInterval);
    if (ReceiveTimerEnabled) {
        say(QStringLiteral("Settings -> SMS -> ReceiveTimerEnabled = ") + Bit(ReceiveTimerEnabled));
        say(QStringLiteral("Settings -> SMS -> ReceiveTimerInterval = ") + QString::number(ReceiveTimerInterval));
    }
    store.endGroup();

    store.beginGroup(QStringLiteral("Folders"));
    ReadBool(store, QStringLiteral("Inbox"), FolderInbox);
    ReadBool(store, QStringLiteral("Sent Items"), FolderSentItems);
    ReadBool(store, QStringLiteral("Outbox"), FolderOutbox);
    ReadBool(store, QStringLiteral("Drafts"), FolderDrafts);
    ReadBool(store, QStringLiteral("Templates"), FolderTemplates);
    ReadBool(store, QStringLiteral("Reports"), FolderReports);
    store.endGroup();

    store.beginGroup(QStringLiteral("Layout"));
    int value = 0;
    if (ReadInt(store, QStringLiteral("Application.Top"), value))
        ApplicationTop = value;
    if (ReadInt(store, QStringLiteral("Application.Left"), value))
        ApplicationLeft = value;
    ReadInt(store, QStringLiteral("Application.Height"), ApplicationHeight);
    ReadInt(store, QStringLiteral("Application.Width"), ApplicationWidth);
    if (ReadInt(store, QStringLiteral("Application.State"), ApplicationState) && ApplicationState == 2)
        RestoreMaximized = true;
    ReadInt(store, QStringLiteral("Application.Message"), ApplicationMessage);
    ReadInt(store, QStringLiteral("Application.StatusBar"), ApplicationStatusBar);
    ReadInt(store, QStringLiteral("Application.Folders"), ApplicationFolders);
    ReadBool(store, QStringLiteral("Application.Header"), ApplicationHeader);
    store.endGroup();
}

bool SettingsStore::SaveOnClose(QSettings& store, const std::optional<QRect>& normalRect) const
{
    store.beginGroup(QStringLiteral("Layout"));
    store.setValue(QStringLiteral("Application.State"), ApplicationState);
    store.setValue(QStringLiteral("Application.Message"), ApplicationMessage);
    if (normalRect) {
        store.setValue(QStringLiteral("Application.Top"), normalRect->top());
        store.setValue(QStringLiteral("Application.Left"), normalRect->left());
        store.setValue(QStringLiteral("Application.Width"), normalRect->width());
        store.setValue(QStringLiteral("Application.Height"), normalRect->height());
    }
    store.endGroup();
    store.beginGroup(QStringLiteral("Settings"));
    store.setValue(QStringLiteral("AlwaysOnTop"), int(AlwaysOnTop));
    store.setValue(QStringLiteral("HideWhenMinimized"), int(HideWhenMinimized));
    store.setValue(QStringLiteral("LargeButtons"), int(LargeButtonsChecked));
    store.setValue(QStringLiteral("LargeText"), int(LargeTextChecked));
    store.endGroup();
    store.setValue(QStringLiteral("SMS/DeliveryReport"), int(DeliveryReport));
    return Finish(store);
}

bool SettingsStore::SaveOnDestruction(QSettings& store) const
{
    store.beginGroup(QStringLiteral("Settings"));
    store.setValue(QStringLiteral("HideWhenMinimized"), int(HideWhenMinimized));
    store.setValue(QStringLiteral("AlwaysOnTop"), int(AlwaysOnTop));
    store.setValue(QStringLiteral("LargeButtons"), int(LargeButtonsChecked));
    store.setValue(QStringLiteral("ShowLabels"), int(ShowLabels));
    store.endGroup();
    store.setValue(QStringLiteral("SMS/DeliveryReport"), int(DeliveryReport));
    return Finish(store);
}

bool SettingsStore::SaveOptions(QSettings& store) const
{
    store.beginGroup(QStringLiteral("Settings"));
    store.setValue(QStringLiteral("ApplicationIcon"), ApplicationIcon);
    store.setValue(QStringLiteral("EventIcon"), EventIcon);
    store.setValue(QStringLiteral("HideWhenMinimized"), int(HideWhenMinimized));
    store.setValue(QStringLiteral("HideWhenClosing"), int(HideWhenClosing));
    store.setValue(QStringLiteral("AlwaysOnTop"), int(AlwaysOnTop));
    store.setValue(QStringLiteral("LargeButtons"), int(LargeButtonsChecked));
    store.setValue(QStringLiteral("LargeText"), int(LargeTextChecked));
    store.setValue(QStringLiteral("LargeRows"), int(LargeRows));
    store.setValue(QStringLiteral("CloseConfirmation"), int(CloseConfirmation));
    store.setValue(QStringLiteral("Contacts"), int(Contacts));
    store.setValue(QStringLiteral("ShowToastNotification"), int(ShowToastNotification));
    store.setValue(QStringLiteral("ShowBalloonNotification"), int(ShowBalloonNotification));
    store.setValue(QStringLiteral("ShowSignalStrength"), int(ShowSignalStrength));
    store.setValue(QStringLiteral("ShowDataClassIcon"), int(ShowDataClassIcon));
    store.setValue(QStringLiteral("ShowDataClassNotification"), int(ShowDataClassNotification));
    store.setValue(QStringLiteral("ShowNetworkRegistration"), int(ShowNetworkRegistration));
    store.setValue(QStringLiteral("CsvDelimiter"), CsvDelimiter);
    store.endGroup();
    store.beginGroup(QStringLiteral("SMS"));
    store.setValue(QStringLiteral("DeliveryReport"), int(DeliveryReport));
    store.setValue(QStringLiteral("SaveSent"), int(SaveSent));
    store.setValue(QStringLiteral("ConfirmationToSend"), int(ConfirmationToSend));
    store.setValue(QStringLiteral("ReceiveTimerEnabled"), int(ReceiveTimerEnabled));
    store.endGroup();
    return Finish(store);
}

QChar SettingsStore::CsvDelimiterChar() const
{
    switch (CsvDelimiter) {
    case 1: return QLatin1Char(',');
    case 2: return QLatin1Char('\t');
    case 3: return QLatin1Char(' ');
    default: return QLatin1Char(';');
    }
}
