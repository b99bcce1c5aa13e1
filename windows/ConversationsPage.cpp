#include "windows/ConversationsPage.h"

#include "app/Prompts.h"
#include "app/Settings.h"
#include "controller/Composer.h"
#include "controller/ContactPicture.h"
#include "controller/ConversationExport.h"
#include "controller/ConversationIndex.h"
#include "controller/ConversationThread.h"
#include "controller/Host.h"
#include "controller/IncomingMessages.h"
#include "controller/MessageActions.h"
#include "controller/SendPipeline.h"
#include "storage/Database.h"
#include "windows/BubbleDelegate.h"
#include "windows/Images.h"
#include "windows/MessagePrinter.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kCaption = QStringLiteral("Messages");

// Only a number can be answered or kept as a contact; an alphanumeric sender cannot.
bool IsNumberKey(const QString& key)
{
    return key.startsWith(QLatin1Char('#')) && key.size() > 1;
}

} // namespace

ConversationsPage::ConversationsPage(const Services& services, QWidget* parent)
    : QWidget(parent),
      host_(services.host),
      settings_(services.settings),
      database_(services.database),
      folders_(services.folders),
      incoming_(services.incoming),
      pipeline_(services.pipeline),
      printer_(services.printer),
      forward_(services.forward),
      openContact_(services.openContact),
      actions_(std::make_unique<MessageActions>(services.host, services.settings, services.database, services.device,
                                                services.incoming, services.folders))
{
    setObjectName(QStringLiteral("ConversationsPage"));
    index_ = new ConversationIndex(folders_, this);
    thread_ = new ConversationThread(*index_, folders_, this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    layout->addWidget(splitter_);

    auto* left = new QWidget(splitter_);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    search_ = new QLineEdit(left);
    search_->setObjectName(QStringLiteral("ConversationSearch"));
    search_->setAccessibleName(QStringLiteral("Search conversations"));
    search_->setPlaceholderText(QStringLiteral("Search name, number or text"));
    search_->setClearButtonEnabled(true);
    leftLayout->addWidget(search_);
    list_ = new QListView(left);
    list_->setObjectName(QStringLiteral("ConversationList"));
    list_->setAccessibleName(QStringLiteral("Conversations"));
    // Before the list's own handler, which would hand the current mark to a neighbour first.
    connect(index_, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        // A neighbour made current would open, and its messages would be marked read.
        const int row = list_->currentIndex().row();
        if (row < first || row > last)
            return;
        reselecting_ = true;
        list_->selectionModel()->clear();
        reselecting_ = false;
    });
    connect(index_, &QAbstractItemModel::rowsRemoved, this, [this] {
        if (!current_.isEmpty() && !index_->Find(current_))
            Open(QString());
    });
    list_->setModel(index_);
    list_->setItemDelegate(new ConversationRowDelegate(
        [this](const QModelIndex& row) { return Picture(row.data(ConversationNumberRole).toString()); }, list_));
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    leftLayout->addWidget(list_);

    auto* right = new QWidget(splitter_);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 6, 4);
    auto* header = new QHBoxLayout;
    auto* names = new QVBoxLayout;
    title_ = new QLabel(right);
    title_->setObjectName(QStringLiteral("ConversationTitle"));
    QFont titleFont = title_->font();
    titleFont.setPointSize(titleFont.pointSize() + 3);
    titleFont.setBold(true);
    title_->setFont(titleFont);
    title_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    subtitle_ = new QLabel(right);
    subtitle_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    names->addWidget(title_);
    names->addWidget(subtitle_);
    header->addLayout(names, 1);
    BuildActions();
    auto* tools = new QToolBar(right);
    tools->setObjectName(QStringLiteral("ConversationTools"));
    tools->setIconSize(QSize(20, 20));
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    for (Act act : {Act::Delete, Act::Forward, Act::Contact})
        tools->addAction(Action(act));
    // The rest behind one button, so the header stays narrow.
    auto* more = new QToolButton(tools);
    more->setObjectName(QStringLiteral("ConversationMore"));
    more->setText(QStringLiteral("More"));
    more->setToolButtonStyle(Qt::ToolButtonTextOnly);
    more->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(more);
    for (Act act : {Act::Retry, Act::DeleteConversation, Act::SaveText, Act::ExportCsv, Act::Print})
        menu->addAction(Action(act));
    more->setMenu(menu);
    tools->addWidget(more);
    header->addWidget(tools);
    rightLayout->addLayout(header);

    threadView_ = new QListView(right);
    threadView_->setObjectName(QStringLiteral("ConversationThread"));
    threadView_->setAccessibleName(QStringLiteral("Messages of the conversation"));
    threadView_->setModel(thread_);
    bubbles_ = new BubbleDelegate(threadView_);
    bubbles_->SetThread(thread_);
    threadView_->setItemDelegate(bubbles_);
    threadView_->setUniformItemSizes(false);
    threadView_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    threadView_->setEditTriggers(QAbstractItemView::DoubleClicked);
    threadView_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    threadView_->verticalScrollBar()->setSingleStep(24);
    threadView_->setResizeMode(QListView::Adjust);
    threadView_->setContextMenuPolicy(Qt::ActionsContextMenu);
    for (Act act : {Act::Copy, Act::Forward, Act::Retry, Act::Delete})
        threadView_->addAction(Action(act));
    threadView_->viewport()->installEventFilter(this);
    rightLayout->addWidget(threadView_, 1);

    auto* replyRow = new QHBoxLayout;
    reply_ = new QPlainTextEdit(right);
    reply_->setObjectName(QStringLiteral("ReplyBox"));
    reply_->setPlaceholderText(QStringLiteral("Reply (Ctrl+Enter sends)"));
    reply_->setTabChangesFocus(true);
    reply_->setMaximumHeight(reply_->fontMetrics().lineSpacing() * 4 + 12);
    reply_->installEventFilter(this);
    replyRow->addWidget(reply_, 1);
    auto* sendColumn = new QVBoxLayout;
    preview_ = new QLabel(right);
    preview_->setObjectName(QStringLiteral("ReplyPreview"));
    send_ = new QPushButton(Images::Theme("mail-send"), QStringLiteral("Send"), right);
    send_->setObjectName(QStringLiteral("ReplySend"));
    sendColumn->addWidget(preview_);
    sendColumn->addWidget(send_);
    replyRow->addLayout(sendColumn);
    rightLayout->addLayout(replyRow);

    splitter_->addWidget(left);
    splitter_->addWidget(right);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({300, 600});

    connect(search_, &QLineEdit::textChanged, index_, &ConversationIndex::SetFilter);
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ConversationsPage::ListCurrentChanged);
    connect(index_, &QAbstractItemModel::modelReset, this, &ConversationsPage::Reselect);
    connect(index_, &ConversationIndex::NamesChanged, this, [this] {
        pictures_.clear();
        list_->viewport()->update();
        UpdateHeader();
    });
    connect(index_, &QAbstractItemModel::dataChanged, this, &ConversationsPage::UpdateHeader);
    connect(index_, &QAbstractItemModel::rowsInserted, this, &ConversationsPage::UpdateHeader);
    connect(index_, &QAbstractItemModel::rowsRemoved, this, &ConversationsPage::UpdateHeader);
    connect(thread_, &QAbstractItemModel::modelReset, this, &ConversationsPage::UpdateActions);
    connect(thread_, &QAbstractItemModel::dataChanged, this, &ConversationsPage::UpdateActions);
    connect(threadView_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ConversationsPage::UpdateActions);
    connect(threadView_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ConversationsPage::UpdateActions);
    // A message that comes in while the newest is in sight stays in sight.
    connect(thread_, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        QScrollBar* bar = threadView_->verticalScrollBar();
        if (bar->value() >= bar->maximum() - 4)
            QTimer::singleShot(0, threadView_, [this] { threadView_->scrollToBottom(); });
    });
    connect(bubbles_, &BubbleDelegate::RetryClicked, this, [this](const QModelIndex& row) {
        if (SmsData* data = thread_->DataAt(row.row()); data && thread_->BoxAt(row.row()) == Folder::Outbox)
            pipeline_.Retry(data);
    });
    // Bubbles drawn smaller than estimated leave gaps until the thread is laid out again, once
    // scrolling has rested, with the message at the top of the view kept in its place.
    tidy_.setSingleShot(true);
    tidy_.setInterval(300);
    connect(bubbles_, &BubbleDelegate::Remeasured, &tidy_, qOverload<>(&QTimer::start));
    connect(&tidy_, &QTimer::timeout, this, [this] {
        QScrollBar* bar = threadView_->verticalScrollBar();
        const bool newest = bar->value() >= bar->maximum();
        const QModelIndex top = threadView_->indexAt(QPoint(12, 1));
        const int offset = threadView_->visualRect(top).top();
        threadView_->doItemsLayout();
        if (newest)
            threadView_->scrollToBottom();
        else if (top.isValid())
            bar->setValue(bar->value() + threadView_->visualRect(top).top() - offset);
    });
    connect(reply_, &QPlainTextEdit::textChanged, this, &ConversationsPage::UpdatePreview);
    connect(send_, &QPushButton::clicked, this, &ConversationsPage::SendReply);
    UpdatePreview();
    Open(QString());
}

ConversationsPage::~ConversationsPage() = default;

void ConversationsPage::BuildActions()
{
    struct Made
    {
        Act act;
        const char* caption;
        const char* icon;
        void (ConversationsPage::*run)();
    };
    const Made made[] = {
        {Act::Delete, "Delete", "edit-delete", &ConversationsPage::DeleteSelected},
        {Act::DeleteConversation, "Delete conversation", "edit-delete", &ConversationsPage::DeleteConversation},
        {Act::Forward, "Forward", "mail-forward", &ConversationsPage::ForwardSelected},
        {Act::Contact, "Contact", "contact-new", &ConversationsPage::OpenContact},
        {Act::SaveText, "Save as text...", "document-save-as", &ConversationsPage::SaveText},
        {Act::ExportCsv, "Export as CSV...", "document-save", &ConversationsPage::ExportCsv},
        {Act::Print, "Print...", "document-print", &ConversationsPage::Print},
        {Act::Retry, "Retry", "view-refresh", &ConversationsPage::RetrySelected},
        {Act::Copy, "Copy", "edit-copy", &ConversationsPage::CopySelected},
    };
    for (const Made& m : made) {
        auto* action = new QAction(Images::Theme(m.icon), QString::fromLatin1(m.caption), this);
        action->setObjectName(QStringLiteral("Conversation") + QString::fromLatin1(m.caption).remove(QLatin1Char(' ')));
        connect(action, &QAction::triggered, this, m.run);
        acts_.insert(static_cast<int>(m.act), action);
    }
    Action(Act::Copy)->setShortcut(QKeySequence::Copy);
    Action(Act::Copy)->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    Action(Act::Delete)->setShortcut(QKeySequence::Delete);
    Action(Act::Delete)->setShortcutContext(Qt::WidgetWithChildrenShortcut);
}

QAction* ConversationsPage::Action(Act act) const
{
    return acts_.value(static_cast<int>(act));
}

void ConversationsPage::ListCurrentChanged()
{
    if (reselecting_)
        return;
    Open(list_->currentIndex().data(ConversationKeyRole).toString());
}

void ConversationsPage::Open(const QString& key)
{
    current_ = index_->Find(key) ? key : QString();
    const int row = index_->RowOf(current_);
    if (list_->currentIndex().row() != row || row < 0) {
        reselecting_ = true;
        if (row >= 0)
            list_->setCurrentIndex(index_->index(row));
        else
            list_->selectionModel()->clear();
        reselecting_ = false;
    }
    thread_->Show(current_);
    threadView_->scrollToBottom();
    if (!current_.isEmpty() && index_->Find(current_)->Unread > 0) {
        unreadLeft_.removeAll(current_);
        unreadLeft_.prepend(current_);
        MarkSomeRead();
    }
    UpdateHeader();
    UpdateActions();
}

void ConversationsPage::MarkSomeRead()
{
    // A hundred at a time: a conversation with thousands of unread messages opens at once and is
    // marked read over the next turns of the event loop, which stays free meanwhile.
    constexpr std::size_t kBatch = 100;
    while (!unreadLeft_.isEmpty()) {
        std::vector<SmsData*> unread;
        for (const ConversationEntry& entry : index_->Thread(unreadLeft_.first()))
            if (entry.Unread && unread.size() < kBatch)
                unread.push_back(entry.Data);
        if (unread.empty()) {
            unreadLeft_.removeFirst();
            continue;
        }
        // One transaction for the batch: each stored part is a write.
        const bool batch = unread.size() > 1 && !database_.IsLoading() && database_.BeginTransaction();
        bool marked = false;
        for (SmsData* data : unread)
            marked = incoming_.MarkRead(data) || marked;
        if (batch)
            database_.EndTransaction();
        if (!marked) // nothing would ever change: let go of it
            unreadLeft_.removeFirst();
        break;
    }
    if (!unreadLeft_.isEmpty())
        QTimer::singleShot(0, this, &ConversationsPage::MarkSomeRead);
}

void ConversationsPage::Reselect()
{
    if (current_.isEmpty()) {
        UpdateHeader(); // the count of conversations
        return;
    }
    const int row = index_->RowOf(current_);
    reselecting_ = true;
    if (row >= 0)
        list_->setCurrentIndex(index_->index(row));
    else
        list_->selectionModel()->clear();
    reselecting_ = false;
    if (!index_->Find(current_))
        Open(QString());
    UpdateHeader();
}

QString ConversationsPage::Party() const
{
    const ConversationIndex::Conversation* conv = index_->Find(current_);
    if (!conv)
        return QString();
    return conv->Name.isEmpty() ? conv->Number : conv->Name;
}

void ConversationsPage::UpdateHeader()
{
    const ConversationIndex::Conversation* conv = index_->Find(current_);
    if (!conv) {
        title_->setText(QStringLiteral("Conversations"));
        subtitle_->setText(index_->Count() == 1 ? QStringLiteral("1 conversation")
                                                : QStringLiteral("%1 conversations").arg(index_->Count()));
        threadView_->viewport()->update(); // its hint
        return;
    }
    title_->setText(Party());
    const QString count = conv->Entries.size() == 1 ? QStringLiteral("1 message")
                                                    : QStringLiteral("%1 messages").arg(conv->Entries.size());
    subtitle_->setText(conv->Name.isEmpty() ? count : conv->Number + QStringLiteral("  \u00B7  ") + count);
}

SmsData* ConversationsPage::Selected() const
{
    const QModelIndex current = threadView_->currentIndex();
    if (!current.isValid() || !threadView_->selectionModel()->isSelected(current))
        return nullptr;
    return thread_->DataAt(current.row());
}

Folder ConversationsPage::SelectedBox() const
{
    return thread_->BoxAt(threadView_->currentIndex().row());
}

void ConversationsPage::SelectMessage(const SmsData* data)
{
    const int row = thread_->RowOf(data);
    if (row < 0)
        return;
    const QModelIndex at = thread_->index(row);
    threadView_->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
    threadView_->scrollTo(at);
}

void ConversationsPage::UpdateActions()
{
    const ConversationIndex::Conversation* conv = index_->Find(current_);
    SmsData* selected = Selected();
    const bool failed =
        selected && SelectedBox() == Folder::Outbox && folders_.Model(Folder::Outbox).Image(selected) == ImageError;
    Action(Act::Delete)->setEnabled(selected);
    Action(Act::Forward)->setEnabled(selected);
    Action(Act::Copy)->setEnabled(selected);
    Action(Act::Retry)->setEnabled(failed);
    for (Act act : {Act::DeleteConversation, Act::SaveText, Act::ExportCsv, Act::Print})
        Action(act)->setEnabled(conv);
    Action(Act::Contact)->setEnabled(conv && IsNumberKey(current_) && settings_.Contacts);
    reply_->setEnabled(conv && IsNumberKey(current_));
    send_->setEnabled(conv && IsNumberKey(current_));
}

void ConversationsPage::UpdatePreview()
{
    const ComposerPreview preview = Composer::Preview(reply_->toPlainText(), false);
    preview_->setText(preview.Encoding + QStringLiteral("  \u00B7  ") + preview.Symbols + QStringLiteral("  \u00B7  ") +
                      preview.Parts);
    preview_->setToolTip(QStringLiteral("Encoding, symbols, parts"));
}

void ConversationsPage::SendReply()
{
    const ConversationIndex::Conversation* conv = index_->Find(current_);
    if (!conv || !IsNumberKey(current_))
        return;
    const QString text = Composer::NormalisedText(reply_->toPlainText());
    if (text.isEmpty())
        return;
    const QString number = conv->Number;
    if (settings_.ConfirmationToSend &&
        !host_.Prompts().Ask(kCaption, QStringLiteral("Do you want to send message to ") + number + QLatin1Char('?')))
        return;
    pipeline_.RememberNumber(number);
    pipeline_.QueueMessage(number, text, false);
    reply_->clear();
}

void ConversationsPage::DeleteSelected()
{
    SmsData* data = Selected();
    if (!data)
        return;
    actions_->Delete(SelectedBox(), data);
}

void ConversationsPage::DeleteConversation()
{
    if (!index_->Find(current_))
        return;
    if (!host_.Prompts().Ask(kCaption,
                             QStringLiteral("Do you want to delete all messages of ") + Party() + QLatin1Char('?')))
        return;
    // Deleting changes the thread: the messages are taken first.
    std::vector<std::pair<Folder, SmsData*>> messages;
    for (const ConversationEntry& entry : index_->Thread(current_))
        messages.emplace_back(entry.Box, entry.Data);
    for (const auto& [box, data] : messages)
        actions_->Delete(box, data, false);
}

void ConversationsPage::ForwardSelected()
{
    if (const SmsData* data = Selected(); data && forward_)
        forward_(data->ViewText());
}

void ConversationsPage::OpenContact()
{
    const ConversationIndex::Conversation* conv = index_->Find(current_);
    if (conv && IsNumberKey(current_) && openContact_)
        openContact_(conv->Number);
}

void ConversationsPage::SaveText()
{
    if (index_->Find(current_))
        conversation_export::ExportText(host_, *thread_, Party());
}

void ConversationsPage::ExportCsv()
{
    if (index_->Find(current_))
        conversation_export::ExportCsv(host_, *thread_, settings_.CsvDelimiterChar());
}

void ConversationsPage::Print()
{
    if (!index_->Find(current_))
        return;
    printer_.SmsPrintActionExecute(host_.Caption(), conversation_export::PrintTitle(Party()),
                                   thread_->TextLines(Party()), [this](const QString& line) { host_.WriteLog(line); });
}

void ConversationsPage::RetrySelected()
{
    SmsData* data = Selected();
    if (data && SelectedBox() == Folder::Outbox && folders_.Model(Folder::Outbox).Image(data) == ImageError)
        pipeline_.Retry(data);
}

void ConversationsPage::CopySelected()
{
    QModelIndexList rows = threadView_->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList texts;
    for (const QModelIndex& row : rows)
        if (const SmsData* data = thread_->DataAt(row.row()))
            texts << ConversationThread::TextOf(*data);
    if (!texts.isEmpty())
        QGuiApplication::clipboard()->setText(texts.join(QStringLiteral("\n\n")));
}

QPixmap ConversationsPage::Picture(const QString& number)
{
    if (!settings_.Contacts || number.isEmpty())
        return QPixmap();
    const auto known = pictures_.constFind(number);
    if (known != pictures_.cend())
        return *known;
    QPixmap picture;
    DATABASE_CONTACTS_DATA contact;
    QByteArray bytes;
    if (database_.FindContactByNumber(number, contact) && database_.GetContactImage(contact.ID, bytes) &&
        !bytes.isEmpty()) {
        ContactPicture::Image image;
        std::string error;
        if (ContactPicture::Decode(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                   static_cast<std::size_t>(bytes.size()), image, error, ContactPicture::Width,
                                   ContactPicture::Height))
            picture = QPixmap::fromImage(
                QImage(image.rgb.data(), image.width, image.height, image.width * 3, QImage::Format_RGB888));
    }
    pictures_.insert(number, picture);
    return picture;
}

bool ConversationsPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == threadView_->viewport() && event->type() == QEvent::Resize)
        bubbles_->SetWidth(threadView_->viewport()->width());
    if (watched == threadView_->viewport() && event->type() == QEvent::Paint && current_.isEmpty()) {
        // Nothing open: a word on what goes here rather than an empty pane.
        QPainter painter(threadView_->viewport());
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(threadView_->viewport()->rect().adjusted(24, 24, -24, -24), Qt::AlignCenter | Qt::TextWordWrap,
                         index_->Count() > 0
                             ? QStringLiteral("Choose a conversation to read it and reply.")
                             : QStringLiteral("No conversations yet. Messages received and sent show here, one "
                                              "conversation for each person."));
        return true;
    }
    if (watched == reply_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && (key->modifiers() & Qt::ControlModifier)) {
            SendReply();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
