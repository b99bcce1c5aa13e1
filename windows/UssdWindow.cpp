#include "windows/UssdWindow.h"

#include "app/Settings.h"
#include "app/Sounds.h"
#include "controller/DialogLayout.h"
#include "ussd/Dialogue.h"
#include "ussd/Engine.h"
#include "windows/Accessible.h"
#include "windows/Images.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryFile>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The design's client area; the width stays, the height may change within the window's limits.
constexpr int ClientWidth = 562;
constexpr int ClientHeight = 401;
constexpr int MinClientHeight = 261;
constexpr int MaxClientHeight = 561;

const QString SoundFile = QStringLiteral("parlowen/sounds/keyboard.wav");

struct Key
{
    const char* caption;
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* text;
};

// The keypad: digits and "*" as the numeric keypad types them, "#" as its character.
const Key keys[] = {
    {"1", Qt::Key_1, Qt::KeypadModifier, "1"},       {"2", Qt::Key_2, Qt::KeypadModifier, "2"},
    {"3", Qt::Key_3, Qt::KeypadModifier, "3"},       {"4", Qt::Key_4, Qt::KeypadModifier, "4"},
    {"5", Qt::Key_5, Qt::KeypadModifier, "5"},       {"6", Qt::Key_6, Qt::KeypadModifier, "6"},
    {"7", Qt::Key_7, Qt::KeypadModifier, "7"},       {"8", Qt::Key_8, Qt::KeypadModifier, "8"},
    {"9", Qt::Key_9, Qt::KeypadModifier, "9"},       {"0", Qt::Key_0, Qt::KeypadModifier, "0"},
    {nullptr, 0, Qt::NoModifier, nullptr},           {"*", Qt::Key_Asterisk, Qt::KeypadModifier, "*"},
    {"#", Qt::Key_NumberSign, Qt::NoModifier, "#"},  {nullptr, 0, Qt::NoModifier, nullptr},
    {"<-", Qt::Key_Backspace, Qt::NoModifier, ""},   {"Del", Qt::Key_Delete, Qt::NoModifier, ""},
    {"Enter", Qt::Key_Return, Qt::NoModifier, "\r"},
};

} // namespace

TUssdWindow::TUssdWindow(MessageTarget* logTarget, BroadbandService* service, const std::string& interfaceId,
                         QSettings* store, SoundPlayer& sounds, const QString& templatesPath, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint),
      sounds_(sounds),
      store_(store),
      dialogue_(std::make_unique<UssdDialogue>(
          logTarget, sounds, [this](const QString& request) { return engine_->SendRequest(request); }))
{
    setObjectName(QStringLiteral("TUssdWindow"));
    setWindowTitle(QStringLiteral("USSD"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    topPanel_ = new QWidget(this);
    topPanel_->setObjectName(QStringLiteral("TopPanel"));
    topPanel_->setAutoFillBackground(true);
    QPalette white = topPanel_->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    topPanel_->setPalette(white);
    auto* top = new QHBoxLayout(topPanel_);
    top->setContentsMargins(10, 6, 10, 6);
    auto* title = new QLabel(QStringLiteral("USSD"), topPanel_);
    title->setObjectName(QStringLiteral("Title"));
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.3);
    title->setFont(titleFont);
    auto* picture = new QLabel(topPanel_);
    picture->setObjectName(QStringLiteral("IMG001"));
    picture->setPixmap(Images::Theme("phone").pixmap(24, 24));
    picture->setFixedSize(24, 24);
    picture->setAccessibleName(QStringLiteral("USSD"));
    top->addWidget(title);
    top->addStretch(1);
    top->addWidget(picture);
    topPanel_->installEventFilter(this);
    layout->addWidget(topPanel_);

    headerSession_ = HeaderStrip(QStringLiteral("LabelSession"), QStringLiteral("Session"));
    headerSession_->setObjectName(QStringLiteral("HeaderSession"));
    headerSession_->installEventFilter(this);
    layout->addWidget(headerSession_);

    session_ = new QPlainTextEdit(this);
    session_->setObjectName(QStringLiteral("SessionData"));
    session_->setReadOnly(true);
    session_->setAccessibleName(QStringLiteral("Session"));
    session_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    session_->setFrameShape(QFrame::NoFrame);
    layout->addWidget(session_, 1);

    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBar"));
    progress_->setRange(0, 0); // running: a marquee
    progress_->setTextVisible(false);
    progress_->setFixedHeight(3);
    progress_->hide();
    layout->addWidget(progress_);

    keyboard_ = new QToolBar(this);
    keyboard_->setObjectName(QStringLiteral("Keyboard"));
    keyboard_->setIconSize(QSize(1, 1));
    for (const Key& k : keys) {
        if (k.caption == nullptr) {
            keyboard_->addSeparator();
            continue;
        }
        auto* button = new QToolButton(keyboard_);
        button->setText(QString::fromLatin1(k.caption));
        button->setObjectName(QStringLiteral("Key") + QString::fromLatin1(k.caption));
        button->setFocusPolicy(Qt::NoFocus);
        button->setMinimumWidth(k.caption[1] == '\0' ? 30 : 42);
        button->setProperty("key", k.key);
        button->setProperty("modifiers", static_cast<int>(k.modifiers));
        button->setProperty("typed", QString::fromLatin1(k.text));
        button->installEventFilter(this);
        keyboard_->addWidget(button);
        button->setAutoRaise(false); // keys that look like keys, not flat tool-bar buttons
    }
    keyboard_->hide();
    layout->addWidget(keyboard_);

    headerRequest_ = HeaderStrip(QStringLiteral("LabelRequest"), QStringLiteral("Request"));
    headerRequest_->setObjectName(QStringLiteral("HeaderRequest"));
    headerRequest_->installEventFilter(this);
    headerRequest_->findChild<QLabel*>(QStringLiteral("LabelRequest"))->installEventFilter(this);
    layout->addWidget(headerRequest_);

    auto* pane = new QWidget(this);
    pane->setObjectName(QStringLiteral("PaneRequest"));
    auto* grid = new QGridLayout(pane);
    grid->setContentsMargins(8, 8, 8, 8);
    templates_ = new QComboBox(pane);
    templates_->setObjectName(QStringLiteral("Templates"));
    templates_->setMaxVisibleItems(20);
    templates_->setAccessibleName(QStringLiteral("USSD templates"));
    templates_->setPlaceholderText(QStringLiteral("USSD templates"));
    templates_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    text_ = new QPlainTextEdit(pane);
    text_->setObjectName(QStringLiteral("MessageText"));
    text_->setTabChangesFocus(true);
    text_->setAccessibleName(QStringLiteral("Request"));
    // Alt+R reaches the request box from anywhere in the window.
    auto* requestLabel = headerRequest_->findChild<QLabel*>(QStringLiteral("LabelRequest"));
    requestLabel->setText(QStringLiteral("&Request"));
    requestLabel->setBuddy(text_);
    text_->installEventFilter(this);
    const int lines = 3;
    text_->setFixedHeight(text_->fontMetrics().lineSpacing() * lines + 2 * text_->frameWidth() + 8);
    send_ = new QPushButton(QStringLiteral("&Send"), pane);
    send_->setObjectName(QStringLiteral("SendButton"));
    send_->setToolTip(QStringLiteral("Send request"));
    send_->setEnabled(false);
    close_ = new QPushButton(QStringLiteral("Close"), pane);
    close_->setObjectName(QStringLiteral("CloseButton"));
    close_->setToolTip(QStringLiteral("Close"));
    grid->addWidget(templates_, 0, 0);
    grid->addWidget(send_, 0, 1);
    grid->addWidget(text_, 1, 0, 2, 1);
    grid->addWidget(close_, 2, 1, Qt::AlignBottom);
    grid->setColumnStretch(0, 1);
    layout->addWidget(pane);

    auto* status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar"));
    status->setSizeGripEnabled(false);
    const int widths[] = {50, 50, 100, 300};
    for (int i = 0; i < 4; ++i) {
        panels_[i] = new QLabel(status);
        panels_[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        if (i < 3) {
            panels_[i]->setFixedWidth(widths[i]);
            panels_[i]->setAlignment(Qt::AlignCenter);
            status->addWidget(panels_[i]);
        } else {
            panels_[i]->setMinimumWidth(widths[i]);
            status->addWidget(panels_[i], 1);
        }
    }
    layout->addWidget(status);

    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PopupMenu"));
    auto* order = new QActionGroup(menu);
    bigEndian_ = menu->addAction(QStringLiteral("UCS2 bytes order: Big-Endian"));
    bigEndian_->setObjectName(QStringLiteral("UCS2BigEndian"));
    littleEndian_ = menu->addAction(QStringLiteral("UCS2 bytes order: Little-Endian"));
    littleEndian_->setObjectName(QStringLiteral("UCS2LittleEndian"));
    for (QAction* item : {bigEndian_, littleEndian_}) {
        item->setCheckable(true);
        order->addAction(item);
        connect(item, &QAction::triggered, this, &TUssdWindow::BytesOrderClick);
    }
    for (QWidget* w : {topPanel_, headerSession_}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [menu, w](const QPoint& at) { menu->popup(w->mapToGlobal(at)); });
    }

    setFixedWidth(ClientWidth);
    setMinimumHeight(MinClientHeight);
    setMaximumHeight(MaxClientHeight);
    resize(ClientWidth, ClientHeight);

    connect(send_, &QPushButton::clicked, this, &TUssdWindow::SendButtonClick);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(text_, &QPlainTextEdit::textChanged, this, &TUssdWindow::MessageChange);
    connect(templates_, &QComboBox::activated, this, &TUssdWindow::TemplatesSelect);

    connect(dialogue_.get(), &UssdDialogue::Changed, this, &TUssdWindow::ShowDialogue);
    connect(dialogue_.get(), &UssdDialogue::Appended, this, &TUssdWindow::Append);
    connect(dialogue_.get(), &UssdDialogue::ItemAdded, templates_,
            [this](const QString& item) { templates_->addItem(item); });
    connect(dialogue_.get(), &UssdDialogue::RequestDone, this, [this] {
        text_->clear();
        templates_->setCurrentIndex(-1);
    });
    connect(dialogue_.get(), &UssdDialogue::SwapBytesChanged, this, &TUssdWindow::ShowByteOrder);

    engine_ = std::make_unique<TUssdEngine>(logTarget, &dialogue_->EventTarget(), service);
    engine_->SetInterfaceId(interfaceId);
    engine_->SetSwapBytes(dialogue_->SwapBytes());
    engine_->SetTimeout(TUssdEngine::DefaultTimeoutMs);
    LoadSettings(templatesPath);
    ShowDialogue();
    accessible::NameQtButtons(this);
}

TUssdWindow::~TUssdWindow()
{
    // A request still running ends here; what it still reports is not shown any more.
    dialogue_->Detach();
    engine_.reset();
}

bool TUssdWindow::Busy() const
{
    return dialogue_->Busy();
}

bool TUssdWindow::SwapBytes() const
{
    return dialogue_->SwapBytes();
}

QWidget* TUssdWindow::HeaderStrip(const QString& labelName, const QString& caption)
{
    auto* strip = new QFrame(this);
    strip->setFrameShape(QFrame::StyledPanel);
    strip->setFrameShadow(QFrame::Raised);
    strip->setAutoFillBackground(true);
    strip->setBackgroundRole(QPalette::Button);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(8, 2, 8, 2);
    auto* label = new QLabel(caption, strip);
    label->setObjectName(labelName);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    row->addWidget(label);
    row->addStretch(1);
    return strip;
}

void TUssdWindow::LoadSettings(const QString& templatesPath)
{
    if (store_ != nullptr) {
        const DialogLayout stored = DialogLayout::Read(*store_, QStringLiteral("Ussd"));
        if (stored.Header)
            topPanel_->setVisible(*stored.Header);
        if (stored.Top || stored.Left)
            move(stored.Left.value_or(x()), stored.Top.value_or(y()));
        const auto height = SettingsStore::ReadDword(*store_, QStringLiteral("Layout/Ussd.Height"));
        const auto width = SettingsStore::ReadDword(*store_, QStringLiteral("Layout/Ussd.Width"));
        if (height || width)
            resize(width ? static_cast<int>(*width) : this->width(),
                   height ? static_cast<int>(*height) : this->height());
        if (const auto keyboard = SettingsStore::ReadDword(*store_, QStringLiteral("Layout/Ussd.Keyboard")))
            keyboard_->setVisible(*keyboard != 0);

        if (const auto swap = SettingsStore::ReadDword(*store_, QStringLiteral("USSD/SwapBytes"))) {
            dialogue_->SetSwapBytes(*swap != 0);
            engine_->SetSwapBytes(dialogue_->SwapBytes());
            dialogue_->Log(QStringLiteral("Settings -> Load -> SwapBytes = %1").arg(dialogue_->SwapBytes() ? 1 : 0));
        }
        if (const auto timeout = SettingsStore::ReadDword(*store_, QStringLiteral("USSD/Timeout"))) {
            engine_->SetTimeout(*timeout);
            dialogue_->Log(QStringLiteral("Settings -> Load -> Timeout = %1").arg(*timeout));
        }
    }

    dialogue_->LoadTemplates(templatesPath);
    templates_->addItems(dialogue_->Items());
    templates_->setCurrentIndex(-1);

    (dialogue_->SwapBytes() ? bigEndian_ : littleEndian_)->setChecked(true);
}

void TUssdWindow::SetLargeText(int pointSize)
{
    if (pointSize <= 0)
        return;
    for (QWidget* w : std::initializer_list<QWidget*>{session_, text_, templates_}) {
        QFont font = w->font();
        font.setPointSize(pointSize);
        w->setFont(font);
    }
    text_->setFixedHeight(text_->fontMetrics().lineSpacing() * 3 + 2 * text_->frameWidth() + 8);
    // The request pane grew: the window grows with it rather than squeezing it.
    QWidget* pane = text_->parentWidget();
    pane->layout()->invalidate();
    pane->updateGeometry();
    layout()->invalidate();
    layout()->activate();
    const int needed = std::min(MaxClientHeight, layout()->minimumSize().height());
    setMinimumHeight(std::max(MinClientHeight, needed));
    if (height() < needed)
        resize(width(), needed);
}

QToolButton* TUssdWindow::KeyButton(const QString& caption) const
{
    return keyboard_->findChild<QToolButton*>(QStringLiteral("Key") + caption);
}

QString TUssdWindow::StatusText(int panel) const
{
    return panel >= 0 && panel < 4 ? panels_[panel]->text() : QString();
}

void TUssdWindow::ShowDialogue()
{
    for (int i = 0; i < UssdDialogue::PanelCount; ++i)
        panels_[i]->setText(dialogue_->Panel(i));
    send_->setEnabled(dialogue_->SendEnabled());
    for (QWidget* w : std::initializer_list<QWidget*>{close_, templates_, text_})
        w->setEnabled(dialogue_->InputEnabled());
    if (dialogue_->Busy()) {
        if (progress_->isHidden()) {
            progress_->setValue(0);
            progress_->show();
        }
    } else if (!progress_->isHidden()) {
        // Back from a request: the next one is typed at once.
        progress_->hide();
        text_->setFocus();
    }
}

void TUssdWindow::Append(const QString& entry)
{
    session_->appendPlainText(entry);
    session_->moveCursor(QTextCursor::End);
    session_->ensureCursorVisible();
}

void TUssdWindow::SendButtonClick()
{
    dialogue_->Send(text_->toPlainText());
}

void TUssdWindow::MessageChange()
{
    dialogue_->TextChanged(text_->toPlainText());
}

void TUssdWindow::TemplatesSelect(int index)
{
    if (index < 0 || index >= templates_->count())
        return;
    const QString code = dialogue_->TemplateCodeAt(index);
    if (code.isEmpty()) {
        templates_->setCurrentIndex(-1);
        return;
    }
    text_->setPlainText(code);
    text_->moveCursor(QTextCursor::End);
}

void TUssdWindow::BytesOrderClick()
{
    dialogue_->FlipByteOrder();
}

void TUssdWindow::ShowByteOrder(bool swap)
{
    bigEndian_->setChecked(swap);
    littleEndian_->setChecked(!swap);
    engine_->SetSwapBytes(swap);
    if (store_ != nullptr) {
        store_->setValue(QStringLiteral("USSD/SwapBytes"), swap ? 1 : 0);
        store_->sync();
    }
}

void TUssdWindow::ShowKeyboard()
{
    keyboard_->setVisible(!keyboard_->isVisible());
}

QString TUssdWindow::KeypadSoundPath()
{
    // Installed with the program; from a build tree, the copy compiled in, written out once.
    static const QString path = []() -> QString {
        const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/../share/") + SoundFile;
        if (QFileInfo(beside).isFile())
            return QFileInfo(beside).canonicalFilePath();
        const QString installed = QStandardPaths::locate(QStandardPaths::GenericDataLocation, SoundFile);
        if (!installed.isEmpty())
            return installed;
        static QTemporaryFile copy(QDir::tempPath() + QStringLiteral("/parlowen-keyboard-XXXXXX.wav"));
        QFile resource(QStringLiteral(":/sounds/keyboard.wav"));
        if (!copy.open() || !resource.open(QIODevice::ReadOnly) || copy.write(resource.readAll()) < 0 || !copy.flush())
            return {};
        return copy.fileName();
    }();
    return path;
}

void TUssdWindow::KeypadPress(QToolButton* button)
{
    if (!text_->hasFocus()) {
        text_->setFocus();
        text_->moveCursor(QTextCursor::End);
    }
    const QString sound = KeypadSoundPath();
    if (!sound.isEmpty())
        sounds_.Play(sound);
    const int key = button->property("key").toInt();
    const auto modifiers = static_cast<Qt::KeyboardModifiers>(button->property("modifiers").toInt());
    const QString typed = button->property("typed").toString();
    // Posted, so that they arrive like typed keys: through the length limit and the change handler.
    QCoreApplication::postEvent(text_, new QKeyEvent(QEvent::KeyPress, key, modifiers, typed));
    QCoreApplication::postEvent(text_, new QKeyEvent(QEvent::KeyRelease, key, modifiers, typed));
}

bool TUssdWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == text_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString typed = key->text();
        // A typed character, Enter included; Backspace, Delete and shortcuts always pass.
        const bool character =
            !typed.isEmpty() && key->key() != Qt::Key_Backspace && key->key() != Qt::Key_Delete &&
            !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
            (typed.at(0).unicode() >= 32 || key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter);
        if (character && !dialogue_->MayType(text_->toPlainText()))
            return true;
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress) {
        if (auto* button = qobject_cast<QToolButton*>(watched); button && button->parent() == keyboard_) {
            KeypadPress(button);
            return false;
        }
    }
    if (event->type() == QEvent::MouseButtonDblClick &&
        (watched == headerRequest_ || watched->objectName() == QStringLiteral("LabelRequest"))) {
        ShowKeyboard();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TUssdWindow::closeEvent(QCloseEvent* event)
{
    if (!dialogue_->CanClose()) {
        event->ignore();
        return;
    }
    if (store_ != nullptr)
        DialogLayout::Write(*store_, QStringLiteral("Ussd"), QRect(frameGeometry().topLeft(), size()), true);
    Q_EMIT Closed();
    event->accept();
}

void TUssdWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && dialogue_->CanClose()) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TUssdWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !(windowState() & Qt::WindowMinimized))
        return;
    dialogue_->Log(QStringLiteral("USSD -> Minimize"));
    // Never minimised in place: the main window puts it aside instead.
    QTimer::singleShot(0, this, [this] { setWindowState(windowState() & ~Qt::WindowMinimized); });
    Q_EMIT PutAside();
}
