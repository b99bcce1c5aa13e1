#include "windows/ContactWindow.h"
#include "windows/PageTitle.h"

#include "controller/ContactPicture.h"
#include "controller/DialogLayout.h"

#include <QAction>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

#include <string>

namespace {

constexpr int kFrame = 1; // the picture's border

// Shown until a picture is loaded: a grey head and shoulders.
QPixmap DefaultPicture()
{
    QPixmap pixmap(ContactPicture::Width, ContactPicture::Height);
    pixmap.fill(QColor(0xee, 0xee, 0xee));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xb8, 0xb8, 0xb8));
    painter.drawEllipse(QRectF(19.5, 16, 24, 28));
    QPainterPath shoulders;
    shoulders.moveTo(6, 84);
    shoulders.cubicTo(6, 58, 18, 50, 31.5, 50);
    shoulders.cubicTo(45, 50, 57, 58, 57, 84);
    shoulders.closeSubpath();
    painter.drawPath(shoulders);
    return pixmap;
}

// A stored picture, shrunk to the frame when larger; null when the bytes cannot be read.
QPixmap StoredPicture(const QByteArray& bytes)
{
    ContactPicture::Image image;
    std::string error;
    if (!ContactPicture::Decode(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                static_cast<std::size_t>(bytes.size()), image, error, ContactPicture::Width,
                                ContactPicture::Height))
        return {};
    QImage view(image.rgb.data(), image.width, image.height, image.width * 3, QImage::Format_RGB888);
    if (image.width > ContactPicture::Width || image.height > ContactPicture::Height)
        view =
            view.scaled(ContactPicture::Width, ContactPicture::Height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return QPixmap::fromImage(view); // copies the pixels
}

} // namespace

TContactWindow::TContactWindow(QDatabase& database, UserPrompts& prompts, QSettings& layout, int largeTextSize,
                               QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      editor_(database, prompts),
      layout_(layout)
{
    setObjectName(QStringLiteral("TContactWindow"));
    setWindowTitle(ContactEditor::Caption());
    if (parent != nullptr)
        setWindowIcon(parent->windowIcon());
    auto* box = new QVBoxLayout(this);
    box->setSizeConstraint(QLayout::SetFixedSize);

    header_ = new QWidget(this);
    header_->setObjectName(QStringLiteral("TopPanel"));
    header_->installEventFilter(this);
    auto* headerLayout = new QHBoxLayout(header_);
    headerLayout->setContentsMargins(0, 0, 0, 4);
    title_ = NewPageTitle(ContactEditor::Caption(), "Title", header_, 4);
    title_->installEventFilter(this);
    labelId_ = new QLabel(header_);
    labelId_->setObjectName(QStringLiteral("LabelID"));
    labelId_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    labelId_->setForegroundRole(QPalette::PlaceholderText);
    labelId_->hide();
    headerLayout->addWidget(title_);
    headerLayout->addStretch(1);
    headerLayout->addWidget(labelId_);
    box->addWidget(header_);

    auto* body = new QHBoxLayout;
    body->setSpacing(12);
    page_ = new QWidget(this);
    page_->setObjectName(QStringLiteral("A0"));
    // Read-only mode disables the page; its labels and texts stay as readable as when enabled,
    // only the fields' ground shows that they cannot be edited.
    QPalette readable = page_->palette();
    for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text})
        readable.setColor(QPalette::Disabled, role, readable.color(QPalette::Active, role));
    page_->setPalette(readable);
    auto* form = new QFormLayout(page_);
    form->setContentsMargins(0, 0, 0, 0);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    const std::array<std::pair<ContactField, const char*>, 6> lines{{
        {ContactField::Name, "Name"},
        {ContactField::Number, "Number"},
        {ContactField::FirstName, "FirstName"},
        {ContactField::MiddleName, "MiddleName"},
        {ContactField::FamilyName, "FamilyName"},
        {ContactField::Group, "Group"},
    }};
    const std::array<const char*, 6> labels{
        "Display name:", "Number:", "First name:", "Middle name:", "Family name:", "Group:"};
    for (std::size_t i = 0; i < lines.size(); ++i)
        form->addRow(QString::fromLatin1(labels[i]),
                     AddLine(lines[i].first, QString::fromLatin1(lines[i].second), largeTextSize));
    lines_[static_cast<std::size_t>(ContactField::Name)]->setMinimumWidth(260);
    notes_ = new QPlainTextEdit(page_);
    notes_->setObjectName(QStringLiteral("Notes"));
    notes_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    notes_->setTabChangesFocus(true);
    if (largeTextSize > 0) {
        QFont font = notes_->font();
        font.setPointSize(largeTextSize);
        notes_->setFont(font);
    }
    notes_->setFixedHeight(notes_->fontMetrics().lineSpacing() * 4 + 12);
    form->addRow(QStringLiteral("Notes:"), notes_);
    connect(notes_, &QPlainTextEdit::textChanged, this,
            [this] { FieldEdited(ContactField::Notes, notes_->toPlainText()); });
    body->addWidget(page_, 1);

    // The picture stays outside the page so that it is not drawn greyed in read-only mode; it
    // answers only while the page is enabled.
    picture_ = new QLabel(this);
    picture_->setObjectName(QStringLiteral("ContactImage"));
    picture_->setToolTip(QStringLiteral("Right click for options..."));
    picture_->setAccessibleName(QStringLiteral("Contact picture"));
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setFixedSize(ContactPicture::Width + 2 * kFrame, ContactPicture::Height + 2 * kFrame);
    picture_->setStyleSheet(QStringLiteral("QLabel#ContactImage { background: white; border: 1px solid palette(mid); }"
                                           "QLabel#ContactImage:focus { border: 2px solid palette(highlight); }"));
    // Reached by Tab too: its menu opens with the Menu key or Shift+F10, Enter loads a picture.
    picture_->setFocusPolicy(Qt::TabFocus);
    picture_->setContextMenuPolicy(Qt::CustomContextMenu);
    picture_->installEventFilter(this);
    connect(picture_, &QLabel::customContextMenuRequested, this, &TContactWindow::PictureMenu);
    auto* pictureColumn = new QVBoxLayout;
    pictureColumn->addWidget(picture_);
    pictureColumn->addStretch(1);
    body->addLayout(pictureColumn);
    box->addLayout(body);

    pictureMenu_ = new QMenu(this);
    imageLoad_ = pictureMenu_->addAction(QStringLiteral("Load"));
    imageLoad_->setObjectName(QStringLiteral("ImageLoadAction"));
    imageSave_ = pictureMenu_->addAction(QStringLiteral("Save"));
    imageSave_->setObjectName(QStringLiteral("ImageSaveAction"));
    imageClear_ = pictureMenu_->addAction(QStringLiteral("Clear"));
    imageClear_->setObjectName(QStringLiteral("ImageClearAction"));
    connect(imageLoad_, &QAction::triggered, this, [this] {
        editor_.LoadPicture();
        ShowEditor();
    });
    connect(imageSave_, &QAction::triggered, this, [this] { editor_.SavePicture(); });
    connect(imageClear_, &QAction::triggered, this, [this] {
        editor_.ClearPicture();
        ShowEditor();
    });

    // Each pair shares a place: Delete where Cancel was, Cancel where Close was, Save where Edit was.
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 8, 0, 0);
    buttons->addWidget(AddButton(ContactButton::Delete, QStringLiteral("Delete"), QStringLiteral("&Delete")));
    buttons->addStretch(1);
    buttons->addWidget(AddButton(ContactButton::Edit, QStringLiteral("Edit"), QStringLiteral("&Edit")));
    buttons->addWidget(AddButton(ContactButton::Save, QStringLiteral("Save"), QStringLiteral("&Save")));
    buttons->addWidget(AddButton(ContactButton::Close, QStringLiteral("Close"), QStringLiteral("C&lose")));
    buttons->addWidget(AddButton(ContactButton::Cancel, QStringLiteral("Cancel"), QStringLiteral("&Cancel")));
    box->addLayout(buttons);

    const DialogLayout stored = DialogLayout::Read(layout_, QStringLiteral("Contact"));
    if (stored.Header)
        header_->setVisible(*stored.Header);
    if (stored.Top || stored.Left)
        move(stored.Left.value_or(x()), stored.Top.value_or(y()));
    ShowEditor();
}

QLineEdit* TContactWindow::AddLine(ContactField field, const QString& name, int fontSize)
{
    auto* line = new QLineEdit(page_);
    line->setObjectName(name);
    if (const int limit = ContactEditor::FieldLimit(field); limit > 0)
        line->setMaxLength(limit);
    if (fontSize > 0) {
        QFont font = line->font();
        font.setPointSize(fontSize);
        line->setFont(font);
    }
    if (field == ContactField::Name || field == ContactField::Number)
        line->installEventFilter(this);
    connect(line, &QLineEdit::textChanged, this, [this, field](const QString& text) { FieldEdited(field, text); });
    lines_[static_cast<std::size_t>(field)] = line;
    return line;
}

QPushButton* TContactWindow::AddButton(ContactButton button, const QString& name, const QString& text)
{
    auto* action = new QAction(text, this);
    action->setObjectName(name + QStringLiteral("Action"));
    connect(action, &QAction::triggered, this, [this, button] { Run(button); });
    auto* push = new QPushButton(text, this);
    push->setObjectName(name + QStringLiteral("Button"));
    // Enter in a field must not press a button behind the duplicate checks' back.
    push->setAutoDefault(false);
    push->setDefault(false);
    push->setMinimumWidth(88);
    connect(push, &QPushButton::clicked, action, &QAction::trigger);
    actions_[static_cast<std::size_t>(button)] = action;
    buttons_[static_cast<std::size_t>(button)] = push;
    return push;
}

QLineEdit* TContactWindow::FieldEdit(ContactField field) const
{
    return lines_[static_cast<std::size_t>(field)];
}

void TContactWindow::OpenContact(std::int64_t id)
{
    editor_.OpenContact(id);
    ShowEditor();
}

void TContactWindow::OpenNew()
{
    editor_.OpenNew();
    ShowEditor();
    FieldEdit(ContactField::Name)->setFocus();
}

void TContactWindow::OpenNumber(const QString& number)
{
    editor_.OpenNumber(number);
    ShowEditor();
    if (editor_.Editable())
        FieldEdit(ContactField::Name)->setFocus();
}

void TContactWindow::Run(ContactButton button)
{
    bool close = false;
    switch (button) {
    case ContactButton::Edit: editor_.Edit(); break;
    case ContactButton::Save: editor_.Save(); break;
    case ContactButton::Cancel: close = editor_.Cancel(); break;
    case ContactButton::Delete: close = editor_.Delete(); break;
    case ContactButton::Close: close = true; break;
    }
    ShowEditor();
    if (button == ContactButton::Edit)
        FieldEdit(ContactField::Name)->setFocus();
    if (close)
        reject();
}

void TContactWindow::FieldEdited(ContactField field, const QString& text)
{
    if (showing_)
        return;
    editor_.SetField(field, text);
    ShowEditor();
}

void TContactWindow::reject()
{
    if (!editor_.MayClose()) {
        ShowEditor();
        return;
    }
    ShowEditor();
    QDialog::reject();
}

void TContactWindow::done(int result)
{
    DialogLayout::Write(layout_, QStringLiteral("Contact"), frameGeometry(), true);
    QDialog::done(result);
}

void TContactWindow::ShowEditor()
{
    showing_ = true;
    title_->setText(editor_.Title());
    labelId_->setText(editor_.LabelId());
    labelId_->setVisible(editor_.IdVisible());
    page_->setEnabled(editor_.FieldsEnabled());
    const bool readOnly = !editor_.Editable();
    QPalette marked;
    marked.setColor(QPalette::Base, QColor(0xff, 0xa0, 0xa0));
    for (int i = 0; i < ContactFieldCount; ++i) {
        const auto field = static_cast<ContactField>(i);
        const QString& text = editor_.Field(field);
        QLineEdit* line = FieldEdit(field);
        if (line == nullptr) {
            notes_->setReadOnly(readOnly);
            if (notes_->toPlainText() != text)
                notes_->setPlainText(text);
            continue;
        }
        line->setReadOnly(readOnly);
        if (line->text() != text)
            line->setText(text);
        line->setPalette(editor_.Marked(field) ? marked : QPalette());
    }
    const bool cancelShown = editor_.Button(ContactButton::Cancel).visible;
    for (int i = 0; i < ContactButtonCount; ++i) {
        const ContactButtonState state = editor_.Button(static_cast<ContactButton>(i));
        // Cancel stands in Close's place and covers it.
        const bool covered = static_cast<ContactButton>(i) == ContactButton::Close && cancelShown;
        buttons_[static_cast<std::size_t>(i)]->setVisible(state.visible && !covered);
        buttons_[static_cast<std::size_t>(i)]->setEnabled(state.enabled);
        actions_[static_cast<std::size_t>(i)]->setVisible(state.visible);
        actions_[static_cast<std::size_t>(i)]->setEnabled(state.enabled);
    }
    imageSave_->setEnabled(editor_.PictureSaveEnabled());
    imageClear_->setEnabled(editor_.PictureClearEnabled());
    ShowPicture();
    showing_ = false;
}

void TContactWindow::ShowPicture()
{
    const QByteArray& bytes = editor_.PictureBytes();
    const int kind = editor_.ShowsDefaultPicture() ? 0 : bytes.isEmpty() ? 1 : 2;
    if (kind == shownKind_ && (kind != 2 || bytes == shownPicture_))
        return;
    shownKind_ = kind;
    shownPicture_ = bytes;
    QPixmap pixmap;
    if (kind == 2)
        pixmap = StoredPicture(bytes);
    if (kind == 0 || (kind == 2 && pixmap.isNull()))
        pixmap = DefaultPicture();
    if (pixmap.isNull())
        picture_->clear();
    else
        picture_->setPixmap(pixmap);
}

void TContactWindow::PictureMenu(const QPoint& at)
{
    if (editor_.FieldsEnabled())
        pictureMenu_->popup(picture_->mapToGlobal(at));
}

bool TContactWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseButtonDblClick) {
        if (watched == title_) {
            editor_.ShowId();
            ShowEditor();
            return true;
        }
        if (watched == header_) {
            editor_.EnableFields();
            ShowEditor();
            QLineEdit* name = FieldEdit(ContactField::Name);
            name->setFocus();
            name->setCursorPosition(static_cast<int>(name->text().size()));
            return true;
        }
        if (watched == picture_) {
            if (editor_.FieldsEnabled())
                imageLoad_->trigger();
            return true;
        }
    }
    if (type == QEvent::KeyPress && watched == picture_) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Menu || (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier)) {
            PictureMenu(picture_->rect().center());
            return true;
        }
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space) {
            if (editor_.FieldsEnabled())
                imageLoad_->trigger();
            return true;
        }
    }
    QLineEdit* name = FieldEdit(ContactField::Name);
    QLineEdit* number = FieldEdit(ContactField::Number);
    if (type == QEvent::FocusOut && (watched == name || watched == number)) {
        // Switching to another window, opening a field's menu or the page being disabled by a
        // change of mode is not the user leaving the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (!showing_ && reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            editor_.LeaveField(watched == name ? ContactField::Name : ContactField::Number);
            ShowEditor();
        }
        return false;
    }
    if (type == QEvent::KeyPress && watched == number) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        if (typed.size() != 1 || key->key() == Qt::Key_Delete || key->key() == Qt::Key_Escape)
            return false; // navigation and keys that type nothing
        const int selection = number->hasSelectedText() ? static_cast<int>(number->selectedText().size()) : 0;
        const int cursor = number->hasSelectedText() ? number->selectionStart() : number->cursorPosition();
        return !ContactEditor::NumberKeyAllowed(number->text(), cursor, selection, typed.at(0));
    }
    return QDialog::eventFilter(watched, event);
}

void TContactWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        const bool close = editor_.Escape();
        ShowEditor();
        if (close)
            reject();
        return;
    }
    QDialog::keyPressEvent(event);
}
