// Saves pictures of the main window's states into a folder: the real window on the simulated
// modem, driven as a person would, for looking at what the program shows.
#include "ProgramRig.h"
#include "controller/SendPipeline.h"
#include "windows/MessagePrinter.h"
#include "windows/MessagesPage.h"

#include <QApplication>
#include <QDir>
#include <QPrinter>
#include <QTimer>
#include <QTreeView>

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

} // namespace

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

    QString text = QStringLiteral("Hello from Parlowen. This message is long enough to need two parts: the preview "
                                  "below counts the characters and the parts exactly as the encoder will send them, "
                                  "so what you see is what goes out.");
    w.SetComposerRunner([&](TMessageWindow& composer) {
        composer.NumberBox()->setEditText(QStringLiteral("+15550100781"));
        composer.MessageText()->setPlainText(text);
        composer.show();
        Save(&composer, "composer");
        composer.SendButtonClick();
        return composer.result() == QDialog::Accepted;
    });
    p.modem->setReplyDelay(2500);
    w.Action(QStringLiteral("SmsNewAction"))->trigger();
    w.Messages().ShowFolder(Folder::Outbox);
    WaitFor([&] { return w.Pipeline().SendingCount() > 0; });
    Save(&w, "outbox");
    p.modem->setReplyDelay(0);
    WaitFor([&] { return p.Folder(Folder::Outbox).Count() == 0; });
    w.Messages().ShowFolder(Folder::Sent);
    w.Messages().SelectRow(Folder::Sent, p.Folder(Folder::Sent).At(0));
    Save(&w, "sent");
    // Its printout as a PDF; scripts/screenshots.sh turns the first page into a picture.
    w.Printer().SetDialogRunner([](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QDir(out).filePath(QStringLiteral("printout.pdf")));
        printer.setPageSize(QPageSize(QPageSize::A4));
        return true;
    });
    w.Action(QStringLiteral("SmsPrintAction"))->trigger();
    WaitFor([&] { return p.Folder(Folder::Reports).Count() >= 2; });
    w.Messages().ShowFolder(Folder::Reports);
    Save(&w, "reports");
    w.Action(QStringLiteral("ShowLogAction"))->trigger();
    Settle(200);
    Save(&w, "log");
    w.Action(QStringLiteral("ShowDeviceAction"))->trigger();
    Settle(100);
    Save(&w, "device");
    w.Action(QStringLiteral("ShowStatusAction"))->trigger();
    Settle(300);
    Save(&w, "status");
    w.Action(QStringLiteral("ShowDebugAction"))->trigger();
    Save(&w, "debug");
    p.Stop();
    return 0;
}
