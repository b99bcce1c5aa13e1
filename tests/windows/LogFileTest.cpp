// The window's log file against its on-screen log. A program of its own: the test switches the
// log file on, and no other test may write into that file meanwhile.
#include "ProgramRig.h"
#include "app/Log.h"

#include <QCoreApplication>
#include <QFile>

using rig::Program;

// Every line the window logs reaches the file as its UTF-8 after the timestamp, in order, also
// texts longer than a short line and characters beyond the BMP; a lone surrogate becomes '?'.
TEST(LogFile, HoldsEveryLineTheWindowLogged)
{
    rig::LogFileOn log;
    ASSERT_TRUE(log.Made());

    const struct
    {
        QString text;
        QByteArray inFile;
    } cases[] = {
        {QStringLiteral("plain"), "plain"},
        {QString(), ""},
        {QStringLiteral("\u041F\u0440\u0438\u0432\u0435\u0442 \u20AC"),
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xE2\x82\xAC"},
        {QString::fromUtf16(u"smile \U0001F600 ok"), "smile \xF0\x9F\x98\x80 ok"},
        {QString::fromUtf16(u"lone \xD83D high"), "lone ? high"},
        {QString::fromUtf16(u"lone \xDE00 low"), "lone ? low"},
        {QString::fromUtf16(u"ends high \xD83D"), "ends high ?"},
        {QString(341, QChar(0x20AC)), QString(341, QChar(0x20AC)).toUtf8()},
        {QString(342, QChar(0x20AC)), QString(342, QChar(0x20AC)).toUtf8()},
        {QString(5000, QLatin1Char('x')), QByteArray(5000, 'x')},
    };
    Program p;
    ASSERT_NO_FATAL_FAILURE(p.Start());
    for (const auto& c : cases)
        p.window->WriteLog(c.text);
    // What the window showed, without the timestamps: the file must hold the same lines.
    std::vector<QByteArray> shown;
    for (int i = 0; i < p.window->LogLines().LineCount(); ++i)
        shown.push_back(p.window->LogLines().LineAt(i).toUtf8().mid(21));
    p.Stop();

    QList<QByteArray> lines = log.RunLines().split('\n');
    ASSERT_TRUE(lines.takeLast().isEmpty()) << "the last line is cut";
    static const QRegularExpression stamp(R"(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d  )");
    std::vector<QByteArray> texts;
    for (const QByteArray& line : lines) {
        ASSERT_TRUE(line.endsWith('\r')) << line.left(60).toStdString();
        ASSERT_TRUE(stamp.match(QString::fromLatin1(line.left(21))).hasMatch()) << line.left(60).toStdString();
        texts.push_back(line.mid(21).chopped(1));
    }
    // The start-of-run line, the window's lines, then those of its end.
    ASSERT_GT(texts.size(), shown.size());
    EXPECT_TRUE(texts[0].isEmpty());
    size_t at = 1;
    for (const QByteArray& line : shown) {
        ASSERT_LT(at, texts.size());
        if (line.contains("\xEF\xBF\xBD")) // a lone surrogate: U+FFFD on screen, '?' in the file
            EXPECT_FALSE(texts[at].contains("\xEF\xBF\xBD"));
        else
            EXPECT_EQ(texts[at], line);
        ++at;
    }
    EXPECT_EQ(texts.back(), "Application finished");
    // The cases, in order, among them.
    auto from = texts.begin();
    for (const auto& c : cases) {
        from = std::find(from, texts.end(), c.inFile);
        ASSERT_NE(from, texts.end()) << c.inFile.left(40).toStdString();
        ++from;
    }
}
