#pragma once
// What the main window is given at its making; every field has the program's own default.

#include <QString>

#include <optional>

class BroadbandService;
class Clock;
class Notifier;
class QSettings;
class SoundPlayer;
class UserPrompts;

struct MainWindowOptions
{
    BroadbandService* service = nullptr; // null: the process's default service
    QString databasePath;                // empty: the path rule beside the program or in the data folder
    bool hidden = false;                 // "/hidden"
    UserPrompts* prompts = nullptr;      // null: real dialogs
    SoundPlayer* sounds = nullptr;       // null: the desktop's event sounds
    Clock* clock = nullptr;
    Notifier* notifier = nullptr;  // null: desktop notifications and tray balloons
    QSettings* settings = nullptr; // null: the user's store
    int startDelayMs = 1000;
    QString dataHome;             // empty: $XDG_DATA_HOME (the menu entry and its picture)
    QString trayImageFolder;      // empty: the current folder (TRAYICON<n>.ico files)
    std::optional<bool> trayArea; // whether the desktop has a notification area; empty: ask it
};
