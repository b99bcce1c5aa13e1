#pragma once
// Stand-ins for what the controllers reach the user and the system through: they answer from a
// script and record what was asked of them, so a test sees every box, sound and notification.
// Free of GoogleTest, so that benchmarks and fuzz targets use them too.

#include "app/Clock.h"
#include "app/Notifier.h"
#include "app/Prompts.h"
#include "app/Sounds.h"

#include <QDateTime>
#include <QString>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// What a prompt with no answer scripted does besides answering No or Cancel. The test programs
// make it fail the running test (support/FailUnscripted.cpp); elsewhere it stays quiet.
using UnscriptedReport = void (*)(const std::string& what);
void SetUnscriptedReport(UnscriptedReport report);

class ScriptedPrompts : public UserPrompts
{
public:
    enum class Kind { Ask, Choose, Show, Input, Secret, SaveFile, OpenFile };
    struct Prompt
    {
        Kind kind;
        QString caption;
        QString text; // the question, the message, the input box's prompt or a file dialog's filter
        PromptIcon icon;
        QString initial; // Input: the initial text; SaveFile: the default suffix

        bool operator==(const Prompt&) const = default;
    };

    // Answers are taken in order; a prompt with none left scripted is reported (in a test
    // program: the test fails) and answered No (Ask) or Cancel (Choose, Input, file dialogs).
    std::deque<bool> answers;
    std::deque<PromptChoice> choices;          // for Choose
    std::deque<std::optional<QString>> inputs; // for Input and InputSecret
    std::deque<std::optional<QString>> files;  // file dialog answers, both kinds
    std::vector<Prompt> shown;
    // Runs while a box is open, as a real box runs the event loop: what may happen meanwhile.
    std::function<void(const Prompt&)> whileOpen;

    bool Ask(const QString& caption, const QString& text, PromptIcon icon = PromptIcon::Question) override;
    PromptChoice Choose(const QString& caption, const QString& text) override;
    void Show(const QString& caption, const QString& text, PromptIcon icon) override;
    std::optional<QString> Input(const QString& caption, const QString& prompt, const QString& initial) override;
    std::optional<QString> InputSecret(const QString& caption, const QString& prompt) override;
    std::optional<QString> SaveFileName(const QString& title, const QString& defaultSuffix,
                                        const QString& filter) override;
    std::optional<QString> OpenFileName(const QString& title, const QString& filter) override;

private:
    std::optional<QString> NextInput(const QString& caption, const QString& prompt);
    std::optional<QString> NextFile(const QString& title);
};

class ManualClock : public Clock
{
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2024, 3, 1), QTime(12, 0))) : now(std::move(start)) { }
    QDateTime Now() const override { return now; }
    void Set(const QDateTime& time) { now = time; }
    void Advance(qint64 ms) { now = now.addMSecs(ms); }

private:
    QDateTime now;
};

class RecordingSounds : public SoundPlayer
{
public:
    void Play(const QString& name) override { played.push_back(name); }
    std::vector<QString> played;
};

class RecordingNotifier : public Notifier
{
public:
    struct Notice
    {
        QString title;
        QString text;
        bool operator==(const Notice&) const = default;
    };
    void Notify(const QString& title, const QString& text) override
    {
        notices.push_back({title, text});
        if (whenNotified)
            whenNotified(notices.back());
    }
    std::vector<Notice> notices;
    std::function<void(const Notice&)> whenNotified; // runs as each notice comes
};

} // namespace testsupport
