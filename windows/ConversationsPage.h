#pragma once
// The Conversations page: the conversation list with its search box on the left, the open
// conversation's thread on the right and a reply box under it. The index and the thread are the
// controllers'; this page shows them and forwards the actions.

#include "controller/MessageFolders.h"

#include <QHash>
#include <QPixmap>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class BubbleDelegate;
class ControllerHost;
class ConversationIndex;
class ConversationThread;
class IncomingMessages;
class MessageActions;
class MessagePrinter;
class MobileBroadband;
class QAction;
class QDatabase;
class QLabel;
class QLineEdit;
class QListView;
class QPlainTextEdit;
class QPushButton;
class QSplitter;
class SendPipeline;
class SettingsStore;

class ConversationsPage : public QWidget
{
    Q_OBJECT
public:
    struct Services
    {
        ControllerHost& host;
        SettingsStore& settings;
        QDatabase& database;
        MobileBroadband& device;
        MessageFolders& folders;
        IncomingMessages& incoming;
        SendPipeline& pipeline;
        MessagePrinter& printer;
        // Opens the composer with a text to forward.
        std::function<void(const QString& text)> forward;
        // Opens the contact of a number, or a new one with it.
        std::function<void(const QString& number)> openContact;
    };

    explicit ConversationsPage(const Services& services, QWidget* parent = nullptr);
    ~ConversationsPage() override;

    ConversationIndex& Index() { return *index_; }
    ConversationThread& Thread() { return *thread_; }
    QListView* List() const { return list_; }
    QListView* ThreadView() const { return threadView_; }
    QLineEdit* SearchBox() const { return search_; }
    QPlainTextEdit* ReplyBox() const { return reply_; }
    QPushButton* SendButton() const { return send_; }
    QLabel* PreviewLabel() const { return preview_; }
    QLabel* Title() const { return title_; }
    QLabel* Subtitle() const { return subtitle_; }
    BubbleDelegate& Bubbles() { return *bubbles_; }
    QSplitter* Splitter() const { return splitter_; }

    enum class Act { Delete, DeleteConversation, Forward, Contact, SaveText, ExportCsv, Print, Retry, Copy };
    QAction* Action(Act act) const;

    // Opens a conversation: its row selected, its thread shown at its newest message and its
    // unread messages marked read. An unknown key shows nothing.
    void Open(const QString& key);
    const QString& Current() const { return current_; }
    // The message of the thread's current row, or null.
    SmsData* Selected() const;
    Folder SelectedBox() const;
    void SelectMessage(const SmsData* data);
    // The party's name as shown, or its number.
    QString Party() const;

    // The actions.
    void SendReply();
    void DeleteSelected();
    void DeleteConversation();
    void ForwardSelected();
    void OpenContact();
    void SaveText();
    void ExportCsv();
    void Print();
    void RetrySelected();
    void CopySelected();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildActions();
    void ListCurrentChanged();
    void UpdateHeader();
    void UpdateActions();
    void UpdatePreview();
    void Reselect();
    void MarkSomeRead();
    QPixmap Picture(const QString& number);

    ControllerHost& host_;
    SettingsStore& settings_;
    QDatabase& database_;
    MessageFolders& folders_;
    IncomingMessages& incoming_;
    SendPipeline& pipeline_;
    MessagePrinter& printer_;
    std::function<void(const QString&)> forward_;
    std::function<void(const QString&)> openContact_;
    std::unique_ptr<MessageActions> actions_;
    ConversationIndex* index_ = nullptr;
    ConversationThread* thread_ = nullptr;
    BubbleDelegate* bubbles_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QLineEdit* search_ = nullptr;
    QListView* list_ = nullptr;
    QLabel* title_ = nullptr;
    QLabel* subtitle_ = nullptr;
    QListView* threadView_ = nullptr;
    QPlainTextEdit* reply_ = nullptr;
    QLabel* preview_ = nullptr;
    QPushButton* send_ = nullptr;
    QHash<int, QAction*> acts_;
    QTimer tidy_;
    QHash<QString, QPixmap> pictures_; // by number; a null pixmap: none stored
    QString current_;
    QStringList unreadLeft_; // opened conversations whose unread messages are being marked read
    bool reselecting_ = false;
};
