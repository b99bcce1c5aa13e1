#pragma once
// A host for the controllers that records what they log and announce, and asks and plays through
// the scripted fakes.

#include "controller/Host.h"
#include "support/Fakes.h"

#include <QLatin1Char>
#include <QString>
#include <QStringList>

namespace testsupport {

class RecordingHost : public ControllerHost
{
public:
    void WriteLog(const QString& text) override { log << text; }
    UserPrompts& Prompts() override { return prompts; }
    SoundPlayer& Sounds() override { return sounds; }
    void Notify(const QString& title, const QString& text) override { notices << title + QLatin1Char('|') + text; }
    QString Caption() const override { return QStringLiteral("Parlowen"); }
    void UnreadChanged(int count) override { unread = count; }

    bool Logged(const QString& line) const { return log.contains(line); }

    QStringList log;
    QStringList notices;
    ScriptedPrompts prompts;
    RecordingSounds sounds;
    int unread = 0;
};

} // namespace testsupport
