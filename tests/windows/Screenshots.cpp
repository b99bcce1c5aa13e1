// Saves pictures of the main window's states into a folder: the real window on the simulated
// modem, driven as a person would, for looking at what the program shows.
#include "ProgramRig.h"
#include "controller/ContactPicture.h"
#include "controller/ConversationIndex.h"
#include "controller/DeviceState.h"
#include "controller/SendPipeline.h"
#include "sim/Network.h"
#include "tests/notify/NotificationServer.h"
#include "windows/AboutWindow.h"
#include "windows/ContactWindow.h"
#include "windows/ContactsPage.h"
#include "windows/ContactsView.h"
#include "windows/ConversationsPage.h"
#include "windows/Images.h"
#include "windows/MessagePrinter.h"
#include "windows/MessagesPage.h"
#include "windows/RegistrationWindow.h"
#include "windows/SettingsWindow.h"
#include "windows/SimDataWindow.h"
#include "windows/UssdWindow.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QTreeWidget>
#include <QUrl>

#include <cstdio>

namespace {

QString out;

void Save(QWidget* widget, const char* name)
{
    QApplication::processEvents();
    const QString path = QDir(out).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
    if (!widget->grab().save(path))
        std::fprintf(stderr, "could not save %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

void Settle(int ms)
{
    WaitFor([] { return false; }, ms);
}

// A menu of the menu bar opened over the window: the screen under both, as a person sees it.
void SaveMenu(QMainWindow& window, const QString& title, const char* name)
{
    for (QAction* top : window.menuBar()->actions()) {
        if (!top->menu() || top->menu()->title().remove(u'&') != title)
            continue;
        window.menuBar()->setActiveAction(top);
        Settle(300);
        const QRect area = window.frameGeometry().united(top->menu()->geometry());
        const QPixmap shot =
            QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        const QString path = QDir(out).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
        if (shot.save(path))
            std::printf("%s\n", qPrintable(path));
        top->menu()->close();
        return;
    }
}

// One USSD request: typed and sent, then waited for.
void Ussd(TUssdWindow& window, const QString& text)
{
    window.MessageText()->setPlainText(text);
    window.SendButtonClick();
    WaitFor([&] { return !window.Busy(); }, 20000);
    Settle(100);
}

// A portrait to load into the contact window, written as the user's JPEG file would be.
QString PortraitFile(const QString& folder)
{
    QImage portrait(300, 400, QImage::Format_RGB888);
    QPainter painter(&portrait);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 400);
    sky.setColorAt(0, QColor(0x5d, 0x8c, 0xc0));
    sky.setColorAt(1, QColor(0xc9, 0xdc, 0xee));
    painter.fillRect(portrait.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x3b, 0x5b, 0x3a));
    painter.drawRoundedRect(QRectF(40, 270, 220, 200), 90, 90);
    painter.setBrush(QColor(0xe8, 0xbf, 0x9c));
    painter.drawEllipse(QRectF(95, 110, 110, 140));
    painter.setBrush(QColor(0x5a, 0x3a, 0x22));
    painter.drawChord(QRectF(88, 96, 124, 110), 0, 180 * 16);
    painter.end();
    ContactPicture::Image image;
    image.width = portrait.width();
    image.height = portrait.height();
    for (int y = 0; y < image.height; ++y) {
        const uchar* line = portrait.constScanLine(y);
        image.rgb.insert(image.rgb.end(), line, line + image.width * 3);
    }
    std::vector<std::uint8_t> jpeg;
    std::string error;
    ContactPicture::Encode(image, 92, jpeg, error);
    const QString path = QDir(folder).filePath(QStringLiteral("portrait.jpg"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<qint64>(jpeg.size()));
    return path;
}

// The notification as the notification server received it, drawn as a desktop shows one: the
// icon it named, the title and the text, and under them what was sent.
void SaveNotification(const testsupport::NotificationServer::Call& call)
{
    QFrame card;
    card.setFrameShape(QFrame::StyledPanel);
    card.setStyleSheet(QStringLiteral("QFrame { background: #fbfbfb; }"));
    auto* row = new QHBoxLayout(&card);
    row->setContentsMargins(14, 12, 14, 12);
    row->setSpacing(12);
    auto* icon = new QLabel(&card);
    const QUrl url(call.appIcon);
    const QIcon picture = url.isLocalFile() ? QIcon(url.toLocalFile()) : QIcon::fromTheme(call.appIcon, Images::App(0));
    icon->setPixmap(picture.pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);
    row->addWidget(icon);
    auto* texts = new QVBoxLayout;
    auto* title = new QLabel(call.summary, &card);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    texts->addWidget(title);
    texts->addWidget(new QLabel(call.body, &card));
    auto* sent = new QLabel(QStringLiteral("app: %1   icon: %2   desktop-entry: %3")
                                .arg(call.appName, call.appIcon.section(QLatin1Char('/'), -1),
                                     call.hints.value(QStringLiteral("desktop-entry")).toString()),
                            &card);
    sent->setStyleSheet(QStringLiteral("color: #808080;"));
    texts->addWidget(sent);
    row->addLayout(texts, 1);
    card.resize(460, card.sizeHint().height());
    card.show();
    Save(&card, "notification");
}

} // namespace

// The Conversations page: the list, and one thread with sent messages in each delivery state, a
// failed one waiting in the Outbox, a multipart, a flash and a UCS2 message.
void Conversations(rig::Program& p)
{
    TMainWindow& w = *p.window;
    const QString margaret = QStringLiteral("+15550100777");
    SendPipeline& pipeline = w.Pipeline();
    FolderModel& sent = p.Folder(Folder::Sent);
    const int reports = p.Folder(Folder::Reports).Count();
    const std::pair<std::uint8_t, const char*> replies[] = {
        {0x00, "Yes! Table for two at 8, see you there."},
        {0x21, "Running ten minutes late, sorry."},
        {0x46, "Did you get my last message?"},
    };
    for (const auto& [status, text] : replies) {
        const int before = sent.Count();
        p.clock.Set(QDateTime::currentDateTime());
        p.modem->reportNextWith(status);
        pipeline.QueueMessage(margaret, QString::fromUtf8(text), false);
        WaitFor([&] { return sent.Count() == before + 1; });
    }
    p.modem->deliverSms(rig::Sms(margaret.toStdString(),
                                 u"No worries at all. I will order the starters so they are ready when you arrive; the "
                                 u"place is packed tonight, so I asked them to hold the table until half past eight. "
                                 u"Parking is behind the station."));
    sim::DeliverRequest flash = rig::Sms(margaret.toStdString(), u"Outside now!");
    flash.class0 = true;
    p.modem->deliverSms(flash);
    sim::DeliverRequest ucs2 =
        rig::Sms(margaret.toStdString(), u"Merci, à tout à l'heure — до встречи 🙂");
    ucs2.ucs2 = true;
    p.modem->deliverSms(ucs2);
    p.modem->failNextSend(2);
    pipeline.QueueMessage(margaret, QStringLiteral("Parking now."), false);
    FolderModel& outbox = p.Folder(Folder::Outbox);
    WaitFor([&] { return outbox.Count() == 1 && outbox.Image(outbox.At(0)) == ImageError; });
    WaitFor([&] { return p.OnSim() == 0 && p.Folder(Folder::Reports).Count() >= reports + 3; }, 10000);
    Settle(500);

    w.Act(MainAction::ShowConversationsAction)->trigger();
    ConversationsPage& page = w.Conversations();
    Save(&w, "conversations");
    page.Open(ConversationKey(margaret));
    page.ReplyBox()->setPlainText(QStringLiteral("On my way \u2014 5 min"));
    Settle(500); // the thread laid out again at rest
    Save(&w, "conversations-thread");
    page.SearchBox()->setText(QStringLiteral("dinner"));
    Save(&w, "conversations-search");
    page.SearchBox()->clear();
    w.Act(MainAction::ShowMessagesAction)->trigger();
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: parlowen-screenshots DIR\n");
        return 2;
    }
    out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    rig::Program p(true);
    p.clock.Set(QDateTime::currentDateTime());
    p.modem->deliverSms(rig::Sms("+15550100777", u"Are we still on for dinner tonight? I booked a table for 8."));
    sim::DeliverRequest ucs2 = rig::Sms("+79161234567", u"Привет! Встречаемся завтра в десять у вокзала.");
    ucs2.ucs2 = true;
    p.modem->deliverSms(ucs2);
    p.Start();
    TMainWindow& w = *p.window;
    w.resize(1000, 640);
    WaitFor([&] { return p.OnSim() == 0 && p.Folder(Folder::Inbox).Count() >= 4; });
    // One message read, the rest left unread.
    w.Messages().SelectRow(Folder::Inbox, p.Folder(Folder::Inbox).At(p.Folder(Folder::Inbox).Count() - 1));
    Save(&w, "inbox");
    w.Messages().SearchBox()->setText(QStringLiteral("dinner"));
    Save(&w, "inbox-search");
    w.Messages().SearchBox()->clear();

    QString text = QStringLiteral("Hello from Parlowen. This message is long enough to need two parts: the preview "
                                  "below counts the characters and the parts exactly as the encoder will send them, "
                                  "so what you see is what goes out.");
    w.Runners().composer = [&](TMessageWindow& composer) {
        composer.NumberBox()->setEditText(QStringLiteral("+15550100781"));
        composer.MessageText()->setPlainText(text);
        composer.show();
        Save(&composer, "composer");
        composer.SendButtonClick();
        return composer.result() == QDialog::Accepted;
    };
    p.modem->setReplyDelay(2500);
    w.Act(MainAction::SmsNewAction)->trigger();
    w.Messages().ShowFolder(Folder::Outbox);
    WaitFor([&] { return w.Pipeline().SendingCount() > 0; });
    Save(&w, "outbox");
    p.modem->setReplyDelay(0);
    WaitFor([&] { return p.Folder(Folder::Outbox).Count() == 0; });
    w.Messages().ShowFolder(Folder::Sent);
    w.Messages().SelectRow(Folder::Sent, p.Folder(Folder::Sent).At(0));
    // Both parts' reports arrived: the entry shows it was delivered.
    WaitFor([&] { return p.Folder(Folder::Sent).Image(p.Folder(Folder::Sent).At(0)) == ImageDelivered; });
    Save(&w, "sent");
    // Its printout as a PDF; scripts/screenshots.sh turns the first page into a picture.
    w.Printer().SetDialogRunner([](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QDir(out).filePath(QStringLiteral("printout.pdf")));
        printer.setPageSize(QPageSize(QPageSize::A4));
        return true;
    });
    w.Act(MainAction::SmsPrintAction)->trigger();
    WaitFor([&] { return p.Folder(Folder::Reports).Count() >= 2; });
    w.Messages().ShowFolder(Folder::Reports);
    Save(&w, "reports");
    w.Act(MainAction::ShowLogAction)->trigger();
    Settle(200);
    Save(&w, "log");
    w.Act(MainAction::ShowDeviceAction)->trigger();
    Settle(100);
    Save(&w, "device");
    w.Act(MainAction::ShowStatusAction)->trigger();
    Settle(300);
    Save(&w, "status");
    w.Act(MainAction::OperatorsSearchAction)->trigger();
    WaitFor([&] { return !w.Device().ScanRequested(); });
    Settle(100);
    Save(&w, "providers");
    w.Act(MainAction::ShowDebugAction)->trigger();
    Save(&w, "debug");

    // Roaming, with the signal level drawn beside its image.
    w.Act(MainAction::ShowMessagesAction)->trigger();
    p.modem->setRegistration(sim::RegRoaming);
    p.modem->setSignal(16, 99);
    p.modem->setDataClass(0x20);
    WaitFor([&] { return w.Device().PanelWidth(2) == 80 && w.Device().SignalText() == QStringLiteral("-81 dBm"); });
    if (!w.Device().ShowSignalText())
        w.Device().ToggleSignalText();
    Save(&w, "roaming");
    p.modem->setRegistration(sim::RegHome);

    // The network registration wizard: a scan, a manual operator with LTE preferred, registered.
    w.Runners().registration = [&](TRegistrationWindow& reg) {
        reg.show();
        Save(&reg, "registration-welcome");
        reg.NextButton()->click();
        reg.OperatorManual()->click();
        WaitFor([&] { return reg.OperatorListView()->topLevelItemCount() > 0; }, 10000);
        Settle(100);
        Save(&reg, "registration-operators");
        reg.NextButton()->click();
        reg.DataClassManual()->click();
        reg.DataClassCheckBox(DataClassBox::Umts)->setChecked(true);
        reg.DataClassCheckBox(DataClassBox::Lte)->setChecked(true);
        Save(&reg, "registration-dataclass");
        reg.NextButton()->click();
        Save(&reg, "registration-review");
        reg.RegisterButton()->click();
        WaitFor([&] { return reg.Wizard().Page() == RegistrationPage::Status; }, 10000);
        Settle(100);
        Save(&reg, "registration-status");
        reg.CloseButton()->click();
    };
    w.Act(MainAction::RegistrationAction1)->trigger();

    // USSD: a two-step menu with the keypad shown, then a reply in UCS2.
    w.Act(MainAction::OpenUssdSessionAction)->trigger();
    if (TUssdWindow* ussd = w.UssdWindow()) {
        ussd->ShowKeyboard();
        Ussd(*ussd, QStringLiteral("*101#"));
        Ussd(*ussd, QStringLiteral("1"));
        Save(ussd, "ussd-menu");
        ussd->SessionData()->clear();
        Ussd(*ussd, QStringLiteral("*102#"));
        Save(ussd, "ussd-ucs2");
        ussd->CloseButton()->click();
    }

    // The settings window on each of its pages.
    w.Runners().settings = [&](TSettingsWindow& settings) {
        settings.show();
        QTreeWidget* tree = settings.NavigationTree();
        for (int i = 0; i < tree->topLevelItemCount(); ++i) {
            tree->setCurrentItem(tree->topLevelItem(i));
            Settle(50);
            const QString name = QStringLiteral("settings-") + tree->topLevelItem(i)->text(0).toLower();
            Save(&settings, qPrintable(name));
        }
        settings.CancelButton()->click();
    };
    w.Act(MainAction::SettingsAction)->trigger();
    w.Runners().about = [&](TAboutWindow& about) {
        about.show();
        Save(&about, "about");
        about.CloseButton()->click();
    };
    w.Act(MainAction::AboutAction)->trigger();
    SaveMenu(w, QStringLiteral("Miscellaneous"), "menu-miscellaneous");

    {
        TContactWindow contact(w.Database(), p.prompts, *p.settings, 0, &w);
        contact.OpenNew();
        contact.show();
        contact.FieldEdit(ContactField::Name)->setText(QStringLiteral("Margaret Holloway"));
        contact.FieldEdit(ContactField::Number)->setText(QStringLiteral("+15550100777"));
        contact.FieldEdit(ContactField::FirstName)->setText(QStringLiteral("Margaret"));
        contact.FieldEdit(ContactField::MiddleName)->setText(QStringLiteral("Anne"));
        contact.FieldEdit(ContactField::FamilyName)->setText(QStringLiteral("Holloway"));
        contact.FieldEdit(ContactField::Group)->setText(QStringLiteral("Family"));
        contact.NotesEdit()->setPlainText(QStringLiteral("Dinner on Fridays.\nPrefers text messages to calls."));
        p.prompts.files.push_back(PortraitFile(p.dir.path()));
        contact.ImageLoadAction()->trigger();
        Save(&contact, "contact-editing");
        contact.ButtonOf(ContactButton::Save)->click();
        Save(&contact, "contact");
    }

    // The Contacts page and the composer's contact page over the same list.
    const char* const people[][4] = {{"Ben Okafor", "+15550100702", "Work", "Project lead"},
                                     {"Chloe Martin", "+15550100703", "Friends", ""},
                                     {"Daniel Weiss", "+15550100704", "Work", "Mornings only"},
                                     {"Elena Petrova", "+79161234567", "Family", "Moscow"}};
    for (const auto& person : people) {
        DATABASE_CONTACTS_DATA c;
        c.Contact = QString::fromUtf8(person[0]);
        c.FirstName = c.Contact.section(QLatin1Char(' '), 0, 0);
        c.FamilyName = c.Contact.section(QLatin1Char(' '), 1);
        c.Number = QString::fromUtf8(person[1]);
        c.Group = QString::fromUtf8(person[2]);
        c.Notes = QString::fromUtf8(person[3]);
        w.Database().InsertContact(c);
    }
    w.ContactsTab().Refresh();
    w.Act(MainAction::ShowContactsAction)->trigger();
    Q_EMIT w.ContactsTab().List().header()->sectionClicked(1);
    w.ContactsTab().List().selectionModel()->select(w.ContactsTab().List().model()->index(1, 0),
                                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    Save(&w, "contacts");
    w.Act(MainAction::ShowMessagesAction)->trigger();
    w.Runners().composer = [&](TMessageWindow& composer) {
        composer.show();
        composer.ContactsButton()->click();
        Save(&composer, "composer-contacts");
    };
    w.Act(MainAction::SmsNewAction)->trigger();

    // The SIM phonebook window: one entry chosen, one already among the contacts.
    DATABASE_CONTACTS_DATA mum;
    mum.Contact = QStringLiteral("Mum");
    mum.Number = QStringLiteral("+79001234567");
    w.Database().InsertContact(mum);
    w.Act(MainAction::ShowContactsAction)->trigger();
    w.Runners().simData = [&](TSimDataWindow& sim) {
        sim.show();
        Save(&sim, "sim-welcome");
        sim.NextButton()->click();
        WaitFor([&] { return !sim.Wizard().Busy(); });
        Save(&sim, "sim-memory");
        sim.NextButton()->click();
        WaitFor([&] { return !sim.Wizard().Busy(); });
        sim.Wizard().Toggle(0);
        sim.ContactsListView()->setCurrentIndex(sim.ContactsListView()->model()->index(0, 1));
        Save(&sim, "sim-contacts");
        sim.NextButton()->click();
        Save(&sim, "sim-ready");
        sim.ImportButton()->click();
        Save(&sim, "sim-status");
        sim.CloseButton()->click();
    };
    w.Act(MainAction::ContactsSimAction)->trigger();
    Conversations(p);
    p.Stop();

    // A new message announced to a notification server on a bus of this run's own.
    if (testsupport::HasTestBus()) {
        testsupport::NotificationServer server;
        if (server.Start()) {
            rig::Program announcing;
            announcing.desktopNotifications = true;
            announcing.Start();
            announcing.modem->deliverSms(rig::Sms("+15550100777", u"See you at eight!"));
            if (WaitFor([&] { return !server.calls.empty(); }))
                SaveNotification(server.calls.front());
            else
                std::fprintf(stderr, "no notification arrived\n");
        }
    }
    return 0;
}
