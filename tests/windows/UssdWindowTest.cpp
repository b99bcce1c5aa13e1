// The USSD window offscreen over its engine and the simulated modem in this process: the
// transcript, busy and idle states, the status bar, templates and recent requests, the keypad, the
// byte order, the settings it keeps, closing refused while a request runs, the two ways a request
// fails before the device answers (an unplug and a thread that cannot be started), and a request
// the device refuses while another program's menu waits.
#include "windows/UssdWindow.h"

#include "app/Messages.h"
#include "device/service/UssdService.h"
#include "support/DeviceHarness.h"
#include "support/Fakes.h"
#include "ussd/Engine.h"
#include "ussd/Templates.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

#include <system_error>

using harness::Rig;
using harness::WaitFor;

namespace {

const QString balance = QStringLiteral("Balance: 12.50 EUR. Valid until 31.12.");

class UssdWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        settings = std::make_unique<QSettings>(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        rig = std::make_unique<Rig>((dir.path() + "/modem").toStdString());
        ASSERT_TRUE(rig->connected);
        templatesPath = dir.filePath(QStringLiteral("parlowen.ussd"));
    }
    void TearDown() override
    {
        delete window.data();
        rig.reset();
    }

    void WriteTemplates(const QByteArray& bytes)
    {
        QFile file(templatesPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    TUssdWindow& Open()
    {
        window = new TUssdWindow(&logTarget, rig->service.get(), rig->session->GetInterfaceID(), settings.get(), sounds,
                                 templatesPath);
        window->show();
        QApplication::setActiveWindow(window);
        return *window;
    }
    // Types the request into the box and sends it; returns once the window is idle again.
    void Send(const QString& request)
    {
        window->MessageText()->setPlainText(request);
        window->SendButton()->click();
        ASSERT_TRUE(WaitFor([this] { return !window->Busy(); })) << request.toStdString();
    }
    QStringList Transcript() const { return window->SessionData()->toPlainText().split(QLatin1Char('\n')); }
    QStringList Items() const
    {
        QStringList items;
        for (int i = 0; i < window->Templates()->count(); ++i)
            items << window->Templates()->itemText(i);
        return items;
    }
    void Press(const QString& caption)
    {
        QToolButton* button = window->KeyButton(caption);
        ASSERT_NE(button, nullptr) << caption.toStdString();
        const QPointF at(3, 3);
        QMouseEvent press(QEvent::MouseButtonPress, at, button->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, at, button->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(button, &press);
        QApplication::sendEvent(button, &release);
        QApplication::processEvents(); // the posted keys
    }
    void TypeKey(int key, const QString& text)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(window->MessageText(), &press);
    }
    void DoubleClick(QWidget* widget)
    {
        const QPointF at(2, 2);
        QMouseEvent event(QEvent::MouseButtonDblClick, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    bool Logged(const QString& line) const { return log.contains(line); }

    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings;
    std::unique_ptr<Rig> rig;
    QString templatesPath;
    QObject logContext;
    QStringList log;
    MessageFunctionTarget logTarget{&logContext, [this](const Message& m) -> std::intptr_t {
                                        EXPECT_EQ(m.Number, WM_USSD_LOG);
                                        if (const auto* line = m.Record<QString>())
                                            log << *line;
                                        return 0;
                                    }};
    testsupport::RecordingSounds sounds;
    QPointer<TUssdWindow> window;
};

} // namespace

TEST_F(UssdWindowTest, ABalanceRequestFromBusyToIdle)
{
    WriteTemplates("Balance *100#\nMenu *101#\n");
    TUssdWindow& w = Open();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("USSD"));
    EXPECT_TRUE(w.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(w.SendButton()->isEnabled());
    EXPECT_FALSE(w.ProgressBar()->isVisible());
    EXPECT_EQ(w.ProgressBar()->height(), 3);
    EXPECT_EQ(w.Engine().Timeout(), TUssdEngine::DefaultTimeoutMs);
    EXPECT_EQ(Items(), (QStringList{"Balance *100#", "Menu *101#", ussd::RecentItem}));

    w.MessageText()->setPlainText(QStringLiteral("  *100#\n"));
    EXPECT_TRUE(w.SendButton()->isEnabled());
    w.SendButton()->click();
    // Busy at once: only the transcript stays usable.
    EXPECT_TRUE(w.Busy());
    EXPECT_TRUE(w.ProgressBar()->isVisible());
    for (QWidget* control :
         std::initializer_list<QWidget*>{w.SendButton(), w.CloseButton(), w.Templates(), w.MessageText()})
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    ASSERT_TRUE(WaitFor([&] { return !w.Busy(); }));

    EXPECT_EQ(Transcript(), (QStringList{">> *100#", "<< " + balance}));
    EXPECT_EQ(w.StatusText(2), QStringLiteral("Finished"));
    EXPECT_EQ(w.StatusText(3), QStringLiteral("Request completed"));
    EXPECT_EQ(w.StatusText(0), QString());
    EXPECT_EQ(w.StatusText(1), QString());
    EXPECT_FALSE(w.ProgressBar()->isVisible());
    EXPECT_TRUE(w.MessageText()->toPlainText().isEmpty());
    EXPECT_EQ(w.Templates()->currentIndex(), -1);
    for (QWidget* control : std::initializer_list<QWidget*>{w.CloseButton(), w.Templates(), w.MessageText()})
        EXPECT_TRUE(control->isEnabled()) << control->objectName().toStdString();
    EXPECT_FALSE(w.SendButton()->isEnabled());
    EXPECT_EQ(sounds.played, (std::vector<QString>{"Notification.SMS"}));
    for (const char* line : {"USSD -> Session started", "USSD -> Session data -> Ok", "USSD -> Session finished",
                             "USSD -> UssdSession -> Ready..."})
        EXPECT_TRUE(Logged(QString::fromLatin1(line))) << line;

    // The request joins the list once, after the templates.
    EXPECT_EQ(Items(), (QStringList{"Balance *100#", "Menu *101#", ussd::RecentItem, "*100#"}));
    Send(QStringLiteral("*100#"));
    EXPECT_EQ(Items(), (QStringList{"Balance *100#", "Menu *101#", ussd::RecentItem, "*100#"}));
}

TEST_F(UssdWindowTest, AMenuAnsweredOnTheKeypad)
{
    TUssdWindow& w = Open();
    EXPECT_FALSE(w.Keyboard()->isVisible());
    DoubleClick(w.HeaderRequest());
    ASSERT_TRUE(w.Keyboard()->isVisible());

    for (const char* key : {"*", "1", "0", "2", "<-", "1", "#"})
        Press(QString::fromLatin1(key));
    EXPECT_EQ(w.MessageText()->toPlainText(), QStringLiteral("*101#"));
    EXPECT_EQ(w.StatusText(0), QStringLiteral("GSM"));
    EXPECT_EQ(w.StatusText(1), QStringLiteral("5"));
    // Every key clicked with the shipped sound.
    ASSERT_EQ(sounds.played.size(), 7u);
    EXPECT_TRUE(std::all_of(sounds.played.begin(), sounds.played.end(),
                            [](const QString& s) { return s == TUssdWindow::KeypadSoundPath(); }));
    EXPECT_TRUE(QFile::exists(TUssdWindow::KeypadSoundPath()));
    EXPECT_TRUE(QFile(TUssdWindow::KeypadSoundPath()).open(QIODevice::ReadOnly));

    w.SendButton()->click();
    ASSERT_TRUE(WaitFor([&] { return !w.Busy(); }));
    EXPECT_EQ(w.StatusText(2), QStringLiteral("Active"));
    EXPECT_EQ(w.StatusText(3), QStringLiteral("Request completed"));

    Press(QStringLiteral("1"));
    w.SendButton()->click();
    ASSERT_TRUE(WaitFor([&] { return !w.Busy(); }));
    EXPECT_EQ(Transcript(), (QStringList{">> *101#", "<< Simnet services:", "<< 1 Balance", "<< 2 Tariff", "<< 3 Exit",
                                         ">> 1", "<< Balance: 12.50 EUR."}));
    EXPECT_EQ(w.StatusText(2), QStringLiteral("Finished"));
    EXPECT_TRUE(Logged(QStringLiteral("USSD -> UssdSession -> Active...")));

    DoubleClick(w.HeaderRequest());
    EXPECT_FALSE(w.Keyboard()->isVisible());
}

TEST_F(UssdWindowTest, TheByteOrderOfUcs2Replies)
{
    TUssdWindow& w = Open();
    EXPECT_TRUE(w.BigEndianItem()->isChecked());
    const QString text = QString::fromUtf8("Ваш баланс: 150,00 руб. Спасибо!");
    QString swapped;
    for (QChar c : text)
        swapped.append(QChar(static_cast<char16_t>(((c.unicode() & 0xFF) << 8) | (c.unicode() >> 8))));

    Send(QStringLiteral("*102#"));
    EXPECT_EQ(Transcript().last(), "<< " + text);

    w.LittleEndianItem()->trigger();
    EXPECT_FALSE(w.SwapBytes());
    EXPECT_FALSE(w.Engine().SwapBytes());
    EXPECT_TRUE(w.LittleEndianItem()->isChecked());
    EXPECT_FALSE(w.BigEndianItem()->isChecked());
    EXPECT_EQ(settings->value(QStringLiteral("USSD/SwapBytes")).toInt(), 0);
    EXPECT_EQ(w.StatusText(3), QStringLiteral("UCS2 bytes order: Little-Endian"));
    EXPECT_TRUE(Logged(QStringLiteral("Settings -> Save -> SwapBytes = 0")));
    Send(QStringLiteral("*102#"));
    EXPECT_EQ(Transcript().last(), "<< " + swapped);

    // The item already checked flips the order all the same.
    w.LittleEndianItem()->trigger();
    EXPECT_TRUE(w.SwapBytes());
    EXPECT_TRUE(w.BigEndianItem()->isChecked());
    EXPECT_EQ(settings->value(QStringLiteral("USSD/SwapBytes")).toInt(), 1);
    EXPECT_EQ(w.StatusText(3), QStringLiteral("UCS2 bytes order: Big-Endian"));
}

TEST_F(UssdWindowTest, AnUnplugEndsTheRequestAtOnce)
{
    // Far longer than the wait below: only the unplug can end the request in time.
    settings->setValue(QStringLiteral("USSD/Timeout"), 600000);
    TUssdWindow& w = Open();
    w.MessageText()->setPlainText(QStringLiteral("*109#"));
    w.SendButton()->click();
    ASSERT_TRUE(WaitFor([this] { return Logged(QStringLiteral("USSD -> Waiting response...")); }));
    rig->simulator->unplug();
    ASSERT_TRUE(WaitFor([&] { return !w.Busy(); }));
    EXPECT_EQ(Transcript().last(), QStringLiteral("< Error occurred - Bad request"));
    EXPECT_EQ(w.StatusText(3), QStringLiteral("Request uncompleted"));
    EXPECT_TRUE(w.CloseButton()->isEnabled());
    EXPECT_FALSE(w.ProgressBar()->isVisible());
}

TEST_F(UssdWindowTest, ARequestRefusedWhileAnotherProgramsMenuWaits)
{
    // Another program on the same device, with a menu waiting for its user.
    UssdService other(&logContext, rig->service.get());
    ASSERT_EQ(other.Open(rig->session->GetInterfaceID()), 0);
    UssdReply menu;
    ASSERT_EQ(other.SendAndWait(QStringLiteral("*101#"), 5000, menu), 0);
    ASSERT_TRUE(other.IsActive());

    TUssdWindow& w = Open();
    Send(QStringLiteral("*100#"));
    EXPECT_EQ(Transcript(), (QStringList{">> *100#", "< Error occurred - The device is busy: another program has a "
                                                     "USSD session open."}));
    EXPECT_EQ(w.StatusText(2), QStringLiteral("Finished"));
    EXPECT_EQ(w.StatusText(3), QStringLiteral("Request uncompleted"));
    EXPECT_TRUE(w.CloseButton()->isEnabled());
    EXPECT_TRUE(w.MessageText()->isEnabled());
    EXPECT_TRUE(w.MessageText()->toPlainText().isEmpty());
    EXPECT_FALSE(w.ProgressBar()->isVisible());
    EXPECT_FALSE(w.Engine().SessionOpen());

    // The other program's menu was left alone: its answer is taken.
    UssdReply answer;
    ASSERT_EQ(other.SendAndWait(QStringLiteral("1"), 5000, answer), 0);
    EXPECT_EQ(answer.ResultCode, 0);
    EXPECT_EQ(answer.Text, QStringLiteral("Balance: 12.50 EUR."));
}

TEST_F(UssdWindowTest, NoThreadReturnsToIdleWithAnErrorLine)
{
    TUssdWindow& w = Open();
    w.Engine().SetLauncher([](std::function<void()>) -> std::thread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    });
    w.MessageText()->setPlainText(QStringLiteral("*100#"));
    w.SendButton()->click();
    EXPECT_FALSE(w.Busy());
    EXPECT_EQ(Transcript(), (QStringList{">> *100#", "< Error occurred - Unable to create comminication thread."}));
    EXPECT_EQ(w.StatusText(3), QStringLiteral("Request uncompleted"));
    EXPECT_TRUE(w.CloseButton()->isEnabled());
    EXPECT_TRUE(w.MessageText()->isEnabled());
    EXPECT_FALSE(w.ProgressBar()->isVisible());
    EXPECT_TRUE(Logged(QStringLiteral("USSD -> Start() -> Error: Unable to create comminication thread.")));
}

TEST_F(UssdWindowTest, ClosingIsRefusedWhileARequestRuns)
{
    settings->setValue(QStringLiteral("USSD/Timeout"), 600000);
    TUssdWindow& w = Open();
    int closed = 0;
    QObject::connect(&w, &TUssdWindow::Closed, [&] { ++closed; });
    w.MessageText()->setPlainText(QStringLiteral("*109#"));
    w.SendButton()->click();
    ASSERT_TRUE(WaitFor([this] { return Logged(QStringLiteral("USSD -> Waiting response...")); }));
    EXPECT_FALSE(w.close());
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&w, &escape);
    QApplication::processEvents();
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(closed, 0);
    EXPECT_FALSE(settings->contains(QStringLiteral("Layout/Ussd.Top")));

    // Destroyed all the same (the program ends): the request is cancelled, not left running.
    delete window.data();
    EXPECT_TRUE(Logged(QStringLiteral("USSD -> Stop()")));
    EXPECT_TRUE(Logged(QStringLiteral("USSD -> Stop event...")));
}

TEST_F(UssdWindowTest, EscapeClosesWhenIdleAndTheLayoutIsKept)
{
    settings->setValue(QStringLiteral("Layout/Ussd.Header"), 0);
    settings->setValue(QStringLiteral("Layout/Ussd.Keyboard"), 1);
    settings->setValue(QStringLiteral("Layout/Ussd.Height"), 480);
    settings->setValue(QStringLiteral("USSD/SwapBytes"), 0);
    settings->setValue(QStringLiteral("USSD/Timeout"), 4000);
    TUssdWindow& w = Open();
    EXPECT_FALSE(w.TopPanel()->isVisible());
    EXPECT_TRUE(w.Keyboard()->isVisible());
    EXPECT_EQ(w.height(), 480);
    EXPECT_FALSE(w.SwapBytes());
    EXPECT_FALSE(w.Engine().SwapBytes());
    EXPECT_TRUE(w.LittleEndianItem()->isChecked());
    EXPECT_TRUE(Logged(QStringLiteral("Settings -> Load -> SwapBytes = 0")));
    EXPECT_TRUE(Logged(QStringLiteral("USSD -> Templates not found")));
    EXPECT_TRUE(Logged(QStringLiteral("Settings -> Load -> Timeout = 4000")));
    EXPECT_EQ(w.Engine().Timeout(), 4000u);

    int closed = 0;
    QObject::connect(&w, &TUssdWindow::Closed, [&] { ++closed; });
    w.resize(w.width(), 400);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&w, &escape);
    EXPECT_EQ(closed, 1);
    ASSERT_TRUE(WaitFor([this] { return window.isNull(); }));
    for (const char* key : {"Layout/Ussd.Top", "Layout/Ussd.Left", "Layout/Ussd.Width"})
        EXPECT_TRUE(settings->contains(QString::fromLatin1(key))) << key;
    EXPECT_EQ(settings->value(QStringLiteral("Layout/Ussd.Height")).toInt(), 400);
}

TEST_F(UssdWindowTest, MinimisingAsksToBePutAside)
{
    TUssdWindow& w = Open();
    int asked = 0;
    QObject::connect(&w, &TUssdWindow::PutAside, [&] { ++asked; });
    w.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(Logged(QStringLiteral("USSD -> Minimize")));
    ASSERT_TRUE(WaitFor([&] { return !(w.windowState() & Qt::WindowMinimized); }));
}

TEST_F(UssdWindowTest, TypingShowsTheAlphabetAndStopsAt160Characters)
{
    TUssdWindow& w = Open();
    w.MessageText()->setFocus();
    w.MessageText()->setPlainText(QString::fromUtf8("*100# Ж"));
    EXPECT_EQ(w.StatusText(0), QStringLiteral("UCS2"));
    EXPECT_EQ(w.StatusText(1), QStringLiteral("7"));
    // Blanks and line ends at the end do not count.
    w.MessageText()->setPlainText(QStringLiteral("*100#  \n"));
    EXPECT_EQ(w.StatusText(0), QStringLiteral("GSM"));
    EXPECT_EQ(w.StatusText(1), QStringLiteral("5"));

    w.MessageText()->setPlainText(QString(159, QLatin1Char('1')));
    w.MessageText()->moveCursor(QTextCursor::End);
    TypeKey(Qt::Key_2, QStringLiteral("2"));
    EXPECT_EQ(w.StatusText(1), QStringLiteral("160"));
    TypeKey(Qt::Key_3, QStringLiteral("3"));
    TypeKey(Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_EQ(w.MessageText()->toPlainText(), QString(159, QLatin1Char('1')) + QLatin1Char('2'));
    TypeKey(Qt::Key_Backspace, QString());
    EXPECT_EQ(w.StatusText(1), QStringLiteral("159"));
    // Pasted text is not limited.
    w.MessageText()->insertPlainText(QStringLiteral("abc"));
    EXPECT_EQ(w.StatusText(1), QStringLiteral("162"));
}

TEST_F(UssdWindowTest, ChoosingTemplates)
{
    // UTF-16 as this machine stores it, little-endian, with its mark.
    const char16_t lines[] = u"Balance *100#\r\n*111*2*1# plan\r\nNo code\r\n";
    WriteTemplates(QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(lines), sizeof(lines) - 2));
    TUssdWindow& w = Open();
    ASSERT_EQ(Items(), (QStringList{"Balance *100#", "*111*2*1# plan", "No code", ussd::RecentItem}));
    struct Case
    {
        int index;
        const char* text; // what the box holds after the choice
        int selected;
    };
    w.MessageText()->setPlainText(QStringLiteral("typed"));
    const Case cases[] = {{0, "*100#", 0}, {1, "*111*2*1#", 1}, {2, "*111*2*1#", -1}, {3, "*111*2*1#", -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        w.Templates()->setCurrentIndex(c.index);
        w.TemplatesSelect(c.index);
        EXPECT_EQ(w.MessageText()->toPlainText(), QString::fromLatin1(c.text));
        EXPECT_EQ(w.Templates()->currentIndex(), c.selected);
    }
}

TEST_F(UssdWindowTest, WithoutTemplatesTheListHoldsTheRequestsOnly)
{
    TUssdWindow& w = Open();
    EXPECT_EQ(w.Templates()->count(), 0);
    Send(QStringLiteral("*100#"));
    Send(QStringLiteral("*999#"));
    Send(QStringLiteral("*100#"));
    EXPECT_EQ(Items(), (QStringList{"*100#", "*999#"}));
}
