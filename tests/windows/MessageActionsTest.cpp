// Saving, printing, exporting and analysing messages: the printout on a PDF file read back with
// pdftotext, and the actions of the real main window against the simulated modem.
#include "ProgramRig.h"
#include "controller/PrintLayout.h"
#include "windows/MessagePrinter.h"
#include "windows/MessagesPage.h"

#include <QFile>
#include <QFontMetrics>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>

using rig::Program;
using rig::Sms;

namespace {

void ToPdf(QPrinter& printer, const QString& path)
{
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
}

// The text of each page, or nothing when the tool is missing.
std::optional<QStringList> PdfPages(const QString& path)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        return std::nullopt;
    QProcess tool;
    tool.start(QStringLiteral("pdftotext"),
               {QStringLiteral("-enc"), QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    EXPECT_TRUE(tool.waitForFinished(30000));
    QStringList pages = QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

QString PdfTitle(const QString& path)
{
    QProcess tool;
    tool.start(QStringLiteral("pdfinfo"), {path});
    tool.waitForFinished(30000);
    for (const QString& line : QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("Title:")))
            return line.mid(6).trimmed();
    return QString();
}

// The page's lines in order, blank ones left out.
QStringList TextLines(const QString& page)
{
    QStringList lines;
    for (const QString& line : page.split(QLatin1Char('\n')))
        if (!line.trimmed().isEmpty())
            lines << line.trimmed();
    return lines;
}

// True when every one of wanted appears in lines, in this order.
bool InOrder(const QStringList& lines, const QStringList& wanted)
{
    qsizetype at = 0;
    for (const QString& w : wanted) {
        at = lines.indexOf(w, at);
        if (at < 0)
            return false;
        ++at;
    }
    return true;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

QStringList LogSince(TMainWindow& window, int from)
{
    QStringList lines;
    for (int i = from; i < window.LogLines().LineCount(); ++i)
        lines << window.LogLines().LineAt(i).mid(21);
    return lines;
}

} // namespace

TEST(MessagePrinter, WrapsLinesOneCharacterTooWideAndNumbersFramedPages)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("printout.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, path);
    const QFontMetrics metrics(MessagePrinter::BodyFont(), &printer);
    const auto width = [&](const QString& text) { return metrics.horizontalAdvance(text); };
    const int box = printer.width() - 2 * qRound(15 / 25.4 * printer.logicalDpiX());

    // Words up to the edge; one character more is too wide and breaks at the last space.
    QString fits = QStringLiteral("Wrapped");
    while (width(fits + QStringLiteral(" word")) <= box)
        fits += QStringLiteral(" word");
    while (width(fits + QLatin1Char('x')) <= box)
        fits += QLatin1Char('x');
    const QString withSpace = fits + QLatin1Char('x');
    const qsizetype lastSpace = fits.lastIndexOf(QLatin1Char(' '));
    // No space at all: the last character goes to the next line.
    QString solid = QStringLiteral("M");
    while (width(solid + QLatin1Char('M')) <= box)
        solid += QLatin1Char('M');

    QStringList lines{
        QStringLiteral("Number:"), QStringLiteral("+15550100"), QString(), QStringLiteral("Message:"), withSpace, fits,
        solid + QLatin1Char('M')};
    for (int i = 1; i <= 70; ++i)
        lines << QStringLiteral("Line %1").arg(i, 2, 10, QLatin1Char('0'));
    QStringList log;
    ASSERT_TRUE(MessagePrinter::Print(printer, QStringLiteral("Parlowen"), QStringLiteral("Received message"), lines,
                                      [&](const QString& line) { log << line; }));
    EXPECT_EQ(log, QStringList({"Messages -> Print", "Messages -> Print -> Resolution: 1200 x 1200 dpi",
                                "Messages -> Print -> Paper size: 210 x 297 mm", "Messages -> Print -> Pages: 2",
                                "Messages -> Print -> Done"}));

    const std::optional<QStringList> pages = PdfPages(path);
    if (!pages)
        GTEST_SKIP() << "pdftotext is not installed";
    ASSERT_EQ(pages->size(), 2);
    const QStringList first = TextLines(pages->at(0));
    const QStringList second = TextLines(pages->at(1));
    EXPECT_TRUE(
        InOrder(first, {"Received message", "Number:", "+15550100", "Message:", fits.left(lastSpace),
                        fits.mid(lastSpace + 1) + QLatin1Char('x'), fits, solid, "M", "Line 01", "Page 1 of 2"}))
        << first.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(InOrder(second, {"Received message", "Line 70", "Page 2 of 2"}))
        << second.join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(first.contains(QStringLiteral("Line 70")));
    EXPECT_EQ(PdfTitle(path), "Parlowen");
}

TEST(MessagePrinter, APrinterThatDoesNotStartIsNotReady)
{
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    ToPdf(printer, dir.filePath(QStringLiteral("missing/printout.pdf")));
    QStringList log;
    EXPECT_FALSE(MessagePrinter::Print(printer, QStringLiteral("Parlowen"), QStringLiteral("Sent message"),
                                       {QStringLiteral("x")}, [&](const QString& line) { log << line; }));
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(log.last(), "Messages -> Print -> Device not ready");
    EXPECT_FALSE(log.contains(QStringLiteral("Messages -> Print -> Done")));
}

TEST(MessageActions, SaveAndPrintFollowTheSelectionAndActOnTheSelectedMessage)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->deliverSms(Sms("+15550100790", u"Dinner at 8?\nReply \"yes\""));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 1 && p.OnSim() == 0; }));
    TMainWindow& w = *p.window;
    QAction* save = w.Act(MainAction::SmsSaveAction);
    QAction* print = w.Act(MainAction::SmsPrintAction);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(print->isEnabled());
    SmsData* m = p.Folder(Folder::Inbox).At(0);
    w.Messages().SelectRow(Folder::Inbox, m);
    EXPECT_TRUE(save->isEnabled());
    EXPECT_TRUE(print->isEnabled());

    const QString text = p.dir.filePath(QStringLiteral("message.txt"));
    p.prompts.shown.clear();
    p.prompts.files = {text};
    save->trigger();
    EXPECT_EQ(ReadAll(text),
              QByteArray("\xEF\xBB\xBF") + "Date:\r\n" + m->GetDate().toUtf8() + "\r\n\r\nTime:\r\n" +
                  m->GetTime().toUtf8() +
                  "\r\n\r\nNumber:\r\n+15550100790\r\n\r\nMessage:\r\nDinner at 8?\r\nReply \"yes\"\r\n");
    ASSERT_FALSE(p.prompts.shown.empty());
    EXPECT_EQ(p.prompts.shown.back().text, "Message saved successfully.");

    const QString pdf = p.dir.filePath(QStringLiteral("message.pdf"));
    w.Printer().SetDialogRunner([&](QPrinter& printer) {
        ToPdf(printer, pdf);
        return true;
    });
    const int before = w.LogLines().LineCount();
    print->trigger();
    const QStringList log = LogSince(w, before);
    EXPECT_EQ(log.value(0), "Messages -> Print");
    EXPECT_EQ(log.value(log.size() - 1), "Messages -> Print -> Done") << log.join(QLatin1Char('\n')).toStdString();
    if (const std::optional<QStringList> pages = PdfPages(pdf)) {
        ASSERT_EQ(pages->size(), 1);
        EXPECT_TRUE(
            InOrder(TextLines(pages->at(0)), {"Received message", "Date:", m->GetDate(), "Number:", "+15550100790",
                                              "Message:", "Dinner at 8?", "Reply \"yes\"", "Page 1 of 1"}))
            << pages->at(0).toStdString();
    }

    // Away from the Messages page the actions only beep.
    w.Act(MainAction::ShowLogAction)->trigger();
    p.prompts.shown.clear();
    save->trigger();
    EXPECT_TRUE(p.prompts.shown.empty());

    w.Act(MainAction::ShowMessagesAction)->trigger();
    w.Messages().ShowFolder(Folder::Sent);
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(print->isEnabled());
}

TEST(MessageActions, ExportWritesTheShownFolderInListOrderWithTheChosenDelimiter)
{
    Program p;
    p.settings->setValue(QStringLiteral("Settings/CsvDelimiter"), 1);
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->deliverSms(Sms("+15550100791", u"First, with a comma"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 1 && p.OnSim() == 0; }));
    p.clock.Advance(60000);
    p.modem->deliverSms(Sms("+15550100792", u"Second"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 2 && p.OnSim() == 0; }));
    TMainWindow& w = *p.window;
    FolderModel& inbox = p.Folder(Folder::Inbox);
    QByteArray expected("\xEF\xBB\xBF");
    for (int i = 0; i < 2; ++i) {
        const SmsData* m = inbox.At(i);
        const QString text = m->GetNumber().endsWith(QLatin1Char('1')) ? QStringLiteral("\"First, with a comma\"")
                                                                       : QStringLiteral("Second");
        expected += QStringLiteral("%1,%2,%3,%4,%5\r\n")
                        .arg(i + 1)
                        .arg(m->GetDate(), m->GetTime(), m->GetNumber(), text)
                        .toUtf8();
    }
    const QString path = p.dir.filePath(QStringLiteral("inbox.csv"));
    p.prompts.shown.clear();
    p.prompts.files = {path};
    const int before = w.LogLines().LineCount();
    w.Act(MainAction::SmsExportAction)->trigger();
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(LogSince(w, before),
              QStringList({"Messages -> Export", "Messages -> Export -> Settings -> Delimiter: ','",
                           "Messages -> Export -> Done"}));
    EXPECT_EQ(p.prompts.shown.back().text, "Export completed successfully.");
}

TEST(MessageActions, AnalyseLogsThePartsOfTheSelectedInboxMessage)
{
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    p.modem->deliverSms(Sms("+15550100793", u"Analyse me"));
    ASSERT_TRUE(WaitFor([&] { return p.Folder(Folder::Inbox).Count() == 1 && p.OnSim() == 0; }));
    TMainWindow& w = *p.window;
    SmsData* m = p.Folder(Folder::Inbox).At(0);
    w.Messages().SelectRow(Folder::Inbox, m);
    const int before = w.LogLines().LineCount();
    w.Act(MainAction::SmsAnalyseAction)->trigger();
    ASSERT_EQ(m->Units.size(), 1);
    ASSERT_FALSE(m->Units[0].Pdu.isEmpty());
    EXPECT_EQ(LogSince(w, before),
              QStringList({"Analyse -> Message for +15550100793", "Analyse -> Parts: 1(0)", "Analyse -> Part #0(0)",
                           "Analyse -> Dublicated:0", "Analyse -> Text:Analyse me",
                           QStringLiteral("Analyse -> PDU:") + m->Units[0].Pdu}));
}
