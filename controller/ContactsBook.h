#pragma once
// What the contact list does besides showing rows: deleting a contact, and exporting and
// importing the whole list as delimited text. Questions and file choices go through the host's
// prompts; every step is logged.

#include <QString>

#include <cstdint>
#include <functional>

class ControllerHost;
class QDatabase;
class SettingsStore;

class ContactsBook
{
public:
    ContactsBook(ControllerHost& host, const SettingsStore& settings, QDatabase& database);

    // Asks, then deletes; true when the contact is gone.
    bool Delete(std::int64_t id, const QString& contact);
    // Asks for a file and writes every contact to it.
    void Export();
    // Asks, asks for a file and replaces every contact by the file's; true when the contacts were
    // replaced. clearList runs just before the old contacts go, so no view shows a dropped row;
    // done runs when the new ones are stored, before the box that tells of skipped lines.
    bool Import(const std::function<void()>& clearList, const std::function<void()>& done = {});

    // The file filter of both dialogs.
    static const QString& FileFilter();

private:
    ControllerHost& host_;
    const SettingsStore& settings_;
    QDatabase& database_;
};
