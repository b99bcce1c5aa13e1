#include "windows/MessageWindow.h"

#include "app/Prompts.h"
#include "controller/Composer.h"
#include "controller/ContactsModel.h"
#include "controller/DialogLayout.h"
#include "storage/Database.h"
#include "windows/ContactsView.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

QLineEdit* InfoField(const QString& text, QWidget* parent)
{
    auto* field = new QLineEdit(text, parent);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setMaximumWidth(70);
    field->setAlignment(Qt::AlignCenter);
    return field;
}

} // namespace

TMessageWindow::TMessageWindow(QDatabase& database, UserPrompts& prompts, bool confirmSend, QWidget* parent)
    : QDialog(parent), database_(database), prompts_(prompts), confirmSend_(confirmSend)
{
    setObjectName(QStringLiteral("TMessageWindow"));
    setWindowTitle(QStringLiteral("Message"));
    auto* layout = new QVBoxLayout(this);

    header_ = new QWidget(this);
    header_->setObjectName(QStringLiteral("TopPanel"));
    header_->setToolTip(QStringLiteral("Double-click to switch flash mode"));
    header_->installEventFilter(this);
    auto* headerLayout = new QHBoxLayout(header_);
    headerLayout->setContentsMargins(0, 0, 0, 4);
    title_ = new QLabel(QStringLiteral("Message"), header_);
    QFont titleFont = title_->font();
    titleFont.setPointSize(titleFont.pointSize() + 4);
    titleFont.setBold(true);
    title_->setFont(titleFont);
    flashIndicator_ = new QLabel(QStringLiteral("Flash message"), header_);
    flashIndicator_->setStyleSheet(QStringLiteral("color: #b71c1c; font-weight: bold;"));
    flashIndicator_->hide();
    headerLayout->addWidget(title_);
    headerLayout->addStretch(1);
    headerLayout->addWidget(flashIndicator_);
    layout->addWidget(header_);

    pages_ = new QStackedWidget(this);
    auto* message = new QWidget(pages_);
    auto* messageLayout = new QVBoxLayout(message);
    messageLayout->setContentsMargins(0, 0, 0, 0);
    pages_->addWidget(message);
    auto* contactsPage = new QWidget(pages_);
    auto* contactsLayout = new QVBoxLayout(contactsPage);
    contactsLayout->setContentsMargins(0, 0, 0, 0);
    pages_->addWidget(contactsPage);
    layout->addWidget(pages_, 1);

    auto* recipient = new QHBoxLayout;
    number_ = new QComboBox(this);
    number_->setObjectName(QStringLiteral("NumberBox"));
    number_->setEditable(true);
    number_->setInsertPolicy(QComboBox::NoInsert);
    number_->setToolTip(QStringLiteral("Recipient number"));
    number_->lineEdit()->setPlaceholderText(QStringLiteral("Recipient number"));
    // The combo box hands its keys to its line edit directly, past any filter there: they are
    // filtered where they arrive. Pasted text is cleaned as it lands.
    number_->installEventFilter(this);
    connect(number_->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        QLineEdit* edit = number_->lineEdit();
        int cursor = edit->cursorPosition();
        const QString kept = Composer::FilterNumber(text, &cursor);
        if (kept == text)
            return;
        edit->setText(kept);
        edit->setCursorPosition(cursor);
    });
    number_->setMinimumWidth(180);
    number_->setAccessibleName(QStringLiteral("Recipient number"));
    contact_ = new QComboBox(this);
    contact_->setObjectName(QStringLiteral("ContactBox"));
    contact_->setToolTip(QStringLiteral("Recipient name"));
    contact_->setMinimumWidth(160);
    contact_->setAccessibleName(QStringLiteral("Recipient name"));
    contact_->hide();
    contactsButton_ = new QPushButton(QStringLiteral("&Contacts"), this);
    contactsButton_->setObjectName(QStringLiteral("ContactsButton"));
    contactsButton_->setToolTip(QStringLiteral("Select contact"));
    contactsButton_->setAutoDefault(false);
    contactsButton_->hide();
    auto* to = new QLabel(QStringLiteral("&To:"), this);
    to->setBuddy(number_);
    recipient->addWidget(to);
    recipient->addWidget(number_, 1);
    recipient->addWidget(contact_, 1);
    recipient->addWidget(contactsButton_);
    messageLayout->addLayout(recipient);

    text_ = new QPlainTextEdit(this);
    // Tab moves on, as in every other box: a typed tab would make the message UCS2.
    text_->setTabChangesFocus(true);
    text_->setObjectName(QStringLiteral("MessageText"));
    text_->setAccessibleName(QStringLiteral("Message text"));
    text_->installEventFilter(this);
    text_->setMinimumSize(420, 160);
    messageLayout->addWidget(text_, 1);

    auto* preview = new QHBoxLayout;
    encoding_ = InfoField(QStringLiteral("GSM"), this);
    symbols_ = InfoField(QStringLiteral("0"), this);
    parts_ = InfoField(QStringLiteral("1"), this);
    preview->addWidget(new QLabel(QStringLiteral("Encoding:"), this));
    preview->addWidget(encoding_);
    preview->addSpacing(8);
    preview->addWidget(new QLabel(QStringLiteral("Symbols:"), this));
    preview->addWidget(symbols_);
    preview->addSpacing(8);
    preview->addWidget(new QLabel(QStringLiteral("Parts:"), this));
    preview->addWidget(parts_);
    preview->addStretch(1);
    messageLayout->addLayout(preview);

    auto* buttons = new QHBoxLayout;
    save_ = new QPushButton(QStringLiteral("&Save"), this);
    save_->setToolTip(QStringLiteral("Save as template"));
    send_ = new QPushButton(QStringLiteral("Se&nd"), this);
    send_->setToolTip(QStringLiteral("Send message"));
    send_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setToolTip(QStringLiteral("Close"));
    // Select and Back take the places of Send and Save on the contact page.
    select_ = new QPushButton(QStringLiteral("S&elect"), this);
    select_->setToolTip(QStringLiteral("Select"));
    select_->hide();
    back_ = new QPushButton(QStringLiteral("&Back"), this);
    back_->setToolTip(QStringLiteral("Back"));
    back_->hide();
    buttons->addWidget(save_);
    buttons->addWidget(back_);
    buttons->addStretch(1);
    buttons->addWidget(send_);
    buttons->addWidget(select_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);
    send_->setEnabled(false);
    save_->setEnabled(false);

    connect(send_, &QPushButton::clicked, this, &TMessageWindow::SendButtonClick);
    connect(save_, &QPushButton::clicked, this, &TMessageWindow::SaveButtonClick);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(contactsButton_, &QPushButton::clicked, this, [this] { ShowPage(1); });
    connect(back_, &QPushButton::clicked, this, [this] { ShowPage(0); });
    connect(select_, &QPushButton::clicked, this, &TMessageWindow::SelectButtonClick);
    connect(number_, &QComboBox::editTextChanged, this, &TMessageWindow::MessageChange);
    connect(number_, &QComboBox::activated, this, &TMessageWindow::LookupNumber);
    connect(number_->lineEdit(), &QLineEdit::editingFinished, this, &TMessageWindow::LookupNumber);
    connect(contact_, &QComboBox::activated, this, [this](int index) { NameChosen(contact_->itemText(index)); });
    connect(text_, &QPlainTextEdit::textChanged, this, &TMessageWindow::MessageChange);
    MessageChange();
}

void TMessageWindow::SetTitle(const QString& title)
{
    title_->setText(title);
}

void TMessageWindow::SetContacts(ContactsModel* contacts)
{
    if (contacts == nullptr || contactsList_ != nullptr)
        return;
    contact_->show();
    contactsButton_->show();
    contactsList_ = new ContactsView(*contacts, ContactsView::Columns::Composer, pages_->widget(1));
    pages_->widget(1)->layout()->addWidget(contactsList_);
    connect(contactsList_, &ContactsView::SelectionChanged, select_, &QPushButton::setEnabled);
    connect(contactsList_, &ContactsView::RowActivated, this, &TMessageWindow::SelectButtonClick);
}

int TMessageWindow::Page() const
{
    return pages_->currentIndex();
}

void TMessageWindow::ShowPage(int page)
{
    if (page == 1 && contactsList_ == nullptr)
        return;
    pages_->setCurrentIndex(page);
    const bool contacts = page == 1;
    save_->setVisible(!contacts);
    send_->setVisible(!contacts);
    cancel_->setVisible(!contacts);
    select_->setVisible(contacts);
    back_->setVisible(contacts);
    if (contacts) {
        select_->setEnabled(contactsList_->SelectedRow() >= 0);
        contactsList_->setFocus();
        return;
    }
    if (!Number().isEmpty() && contact_->currentIndex() < 0)
        LookupNumber();
    text_->setFocus();
}

void TMessageWindow::SelectButtonClick()
{
    if (contactsList_ == nullptr)
        return;
    DATABASE_CONTACTS_DATA contact;
    const std::int64_t id = contactsList_->SelectedId();
    if (id == 0 || !database_.GetContact(id, contact))
        return;
    number_->setEditText(contact.Number);
    ChooseName(contact.Contact);
    MessageChange();
    ShowPage(0);
}

void TMessageWindow::SetLayoutStore(QSettings* store)
{
    layoutStore_ = store;
    if (store == nullptr)
        return;
    const DialogLayout stored = DialogLayout::Read(*store, QStringLiteral("Message"));
    if (stored.Header)
        header_->setVisible(*stored.Header);
    if (stored.Top || stored.Left)
        move(stored.Left.value_or(x()), stored.Top.value_or(y()));
}

void TMessageWindow::done(int result)
{
    if (layoutStore_ != nullptr)
        DialogLayout::Write(*layoutStore_, QStringLiteral("Message"), frameGeometry(), false);
    QDialog::done(result);
}

void TMessageWindow::reject()
{
    // Escape on the contact page goes back to the message.
    if (Page() == 1) {
        ShowPage(0);
        return;
    }
    QDialog::reject();
}

void TMessageWindow::SetRecentNumbers(const QStringList& numbers)
{
    number_->clear();
    number_->addItems(numbers);
    number_->setCurrentIndex(-1);
    number_->setEditText(QString());
    contact_->clear();
    for (const QString& number : numbers) {
        DATABASE_CONTACTS_DATA contact;
        if (database_.FindContactByNumber(number, contact) && contact_->findText(contact.Contact) < 0)
            contact_->addItem(contact.Contact);
    }
    recentNames_ = contact_->count();
    contact_->setCurrentIndex(-1);
}

void TMessageWindow::SetNumber(const QString& number)
{
    if (number_->findText(number) < 0)
        number_->addItem(number);
    number_->setEditText(number);
    LookupNumber();
}

void TMessageWindow::SetText(const QString& text)
{
    text_->setPlainText(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
}

QString TMessageWindow::Number() const
{
    return number_->currentText().trimmed();
}

QString TMessageWindow::Text() const
{
    return Composer::NormalisedText(text_->toPlainText());
}

QString TMessageWindow::EncodingInfo() const
{
    return encoding_->text();
}
QString TMessageWindow::SymbolsInfo() const
{
    return symbols_->text();
}
QString TMessageWindow::PartsInfo() const
{
    return parts_->text();
}

void TMessageWindow::MessageChange()
{
    if (changing_)
        return;
    const QString number = Number();
    send_->setEnabled(!number.isEmpty());
    const QString text = Text();
    save_->setEnabled(!number.isEmpty() || !text.trimmed().isEmpty());
    const ComposerPreview preview = Composer::Preview(text_->toPlainText(), flash_);
    if (preview.Cut) {
        changing_ = true;
        const int caret = text_->textCursor().position();
        text_->setPlainText(QString(preview.CutText).replace(QLatin1String("\r\n"), QLatin1String("\n")));
        QTextCursor cursor = text_->textCursor();
        cursor.setPosition(std::min(caret, static_cast<int>(text_->toPlainText().size())));
        text_->setTextCursor(cursor);
        changing_ = false;
    }
    encoding_->setText(preview.Encoding);
    symbols_->setText(preview.Symbols);
    parts_->setText(preview.Parts);
}

void TMessageWindow::ToggleFlash()
{
    flash_ = !flash_;
    flashIndicator_->setVisible(flash_);
    MessageChange();
}

void TMessageWindow::LookupNumber()
{
    while (contact_->count() > recentNames_)
        contact_->removeItem(contact_->count() - 1);
    DATABASE_CONTACTS_DATA contact;
    if (Number().isEmpty() || !database_.FindContactByNumber(Number(), contact)) {
        contact_->setCurrentIndex(-1);
        return;
    }
    ChooseName(contact.Contact);
}

void TMessageWindow::ChooseName(const QString& name)
{
    int index = contact_->findText(name);
    if (index < 0) {
        // Beyond the recent names the box holds one extra name at most.
        while (contact_->count() > recentNames_)
            contact_->removeItem(contact_->count() - 1);
        contact_->addItem(name);
        index = contact_->count() - 1;
    }
    contact_->setCurrentIndex(index);
}

void TMessageWindow::NameChosen(const QString& name)
{
    DATABASE_CONTACTS_DATA contact;
    if (!database_.FindContactByName(name, contact))
        return;
    if (contact_->currentIndex() != contact_->count() - 1)
        while (contact_->count() > recentNames_)
            contact_->removeItem(contact_->count() - 1);
    number_->setEditText(contact.Number);
}

void TMessageWindow::SendButtonClick()
{
    if (Number().isEmpty())
        return;
    if (confirmSend_ && !prompts_.Ask(QStringLiteral("Messages"),
                                      QStringLiteral("Do you want to send message to ") + Number() + QLatin1Char('?')))
        return;
    changing_ = true;
    text_->setPlainText(Text());
    changing_ = false;
    accept();
}

void TMessageWindow::SaveButtonClick()
{
    if (!prompts_.Ask(QStringLiteral("Messages"), QStringLiteral("Do you want to save message as template?")))
        return;
    if (store_ && store_(Number(), Text()))
        save_->setEnabled(false);
}

void TMessageWindow::SetLargeText(int pointSize)
{
    if (pointSize <= 0)
        return;
    for (QWidget* w : std::initializer_list<QWidget*>{number_, contact_, text_, contactsButton_, contactsList_}) {
        if (!w)
            continue;
        QFont font = w->font();
        font.setPointSize(pointSize);
        w->setFont(font);
    }
    contactsButton_->setMinimumHeight(contactsButton_->sizeHint().height() + 3);
}

bool TMessageWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == header_ && event->type() == QEvent::MouseButtonDblClick) {
        ToggleFlash();
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == number_ || watched == number_->lineEdit()) {
        const QString typed = key->text();
        if (typed.size() != 1 || !typed.at(0).isPrint())
            return false; // navigation, shortcuts and control keys pass
        QLineEdit* edit = number_->lineEdit();
        const int selection = edit->hasSelectedText() ? static_cast<int>(edit->selectedText().size()) : 0;
        const int cursor = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        return !Composer::NumberKeyAllowed(edit->text(), cursor, selection, typed.at(0));
    }
    if (watched == text_ && flash_) {
        const bool editing = key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete || key->text().isEmpty();
        if (!editing && !Composer::FlashKeyAllowed(text_->toPlainText()))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}
