#pragma once
// What the controllers need of the window that owns them: the log, questions, sounds,
// notifications and a few view hooks. TMainWindow implements it; tests record it.

#include "controller/MessageFolders.h"

#include <QString>

class UserPrompts;
class SoundPlayer;

class ControllerHost
{
public:
    virtual ~ControllerHost() = default;
    // A line in the log file and the on-screen log.
    virtual void WriteLog(const QString& text) = 0;
    virtual UserPrompts& Prompts() = 0;
    virtual SoundPlayer& Sounds() = 0;
    // Desktop notification and balloon, as the options say.
    virtual void Notify(const QString& title, const QString& text) = 0;
    // A data-class change, or the device connected or disconnected, as the options say.
    virtual void AnnounceDataClass(const QString&) { }
    // The main window's caption, the title of its notifications.
    virtual QString Caption() const = 0;

    // A new unread row should be scrolled into view.
    virtual void EnsureVisible(Folder, const SmsData*) { }
    // A row's message changed; the message view follows when it shows that row.
    virtual void MessageChanged(Folder, const SmsData*) { }
    // A row is about to go; the view lets go of it.
    virtual void MessageRemoving(Folder, const SmsData*) { }
    // The load progress bar.
    virtual void ShowProgress(bool) { }
    // Status panel 5 and the tray image follow the unread count.
    virtual void UnreadChanged(int) { }
};
