#pragma once
// The Status page: the device's status, the visible providers or the preferred providers, as
// groups of name and value rows that the device session lists.

#include <QWidget>

class MobileBroadband;
class ModemManagerLink;
class QLabel;
class QTreeWidget;

enum class StatusView { Status, Providers, PreferredProviders };

class StatusPage : public QWidget
{
    Q_OBJECT
public:
    explicit StatusPage(QWidget* parent = nullptr);

    // The page emptied and filled anew with one view; the rows arrive as the session lists them.
    void Fill(StatusView view, MobileBroadband& device, const ModemManagerLink& modemManager);
    void AddGroup(const QString& title);
    // A row of the last group (one is made when there is none).
    void AddItem(const QString& name, const QString& value);

private:
    // The rows about ModemManager, when it shares the modem.
    void ListSharing(const ModemManagerLink& modemManager);

    QLabel* title_ = nullptr;
    QTreeWidget* list_ = nullptr;
};
