// A settings file of any bytes, read as the user's INI store: values of the wrong kind keep their
// defaults, and what is read stays in the ranges the program computes with.
#include "app/Settings.h"
#include "controller/SettingsForm.h"
#include "support/RecordingSettingsHost.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdlib>

namespace {

bool In(int value, int low, int high)
{
    return value >= low && value <= high;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir(QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm/parlowen-fuzz-XXXXXX")
                                                                       : QString());
    static unsigned run = 0;
    if (size > 16 * 1024 || !dir.isValid())
        return 0;
    // A new name each run: QSettings keeps files it has read and may not notice a rewrite.
    const QString path = dir.filePath(QStringLiteral("settings-%1.conf").arg(run++));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            std::abort();
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    {
        QSettings store(path, QSettings::IniFormat);
        SettingsStore settings;
        settings.Load(store, [](const QString&) {});
        // The timer takes milliseconds as an int; 15 s is the shortest interval.
        if (settings.ReceiveTimerIntervalMs() < 15000)
            std::abort();
        const QChar delimiter = settings.CsvDelimiterChar();
        if (delimiter != u';' && delimiter != u',' && delimiter != u'\t' && delimiter != u' ')
            std::abort();

        testsupport::RecordingSettingsHost host;
        SettingsForm form(host, store);
        form.SetAutostartFolder(dir.path());
        form.SetProgramPath(QStringLiteral("/usr/bin/parlowen"));
        form.Load();
        if (!In(form.CheckedApplicationIcon(), -1, SettingsForm::IconCount - 1) ||
            !In(form.CheckedEventIcon(), -1, SettingsForm::IconCount - 1) ||
            !In(form.ApplicationIcon(), 0, SettingsForm::IconCount - 1) ||
            !In(form.EventIcon(), 0, SettingsForm::IconCount - 1) ||
            !In(form.CsvDelimiter(), -1, SettingsForm::DelimiterCount - 1) || form.ApplyEnabled())
            std::abort();
    }
    QFile::remove(path);
    return 0;
}
