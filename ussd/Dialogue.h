#pragma once
// UssdDialogue: the USSD window's side of the dialogue with the network, free of widgets. It sends
// the typed request to the engine, turns the engine's events into transcript lines, status-bar
// texts, log lines and sounds, keeps the templates list with the requests sent, and says what the
// window offers meanwhile: busy or idle, which controls take input, whether it may close. The
// window shows what it holds and hands it the user's actions.

#include "app/MessageTarget.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>

class SoundPlayer;

class UssdDialogue : public QObject
{
    Q_OBJECT
public:
    static constexpr int PanelCount = 4;
    // Typing stops at this many characters; pasted text is not limited.
    static constexpr int MaxTyped = 160;

    // Where the session stands, as status panel 2 shows it: nothing before the first session, then
    // open, and at the end of each request waiting for the user's answer (active) or finished.
    enum class Session { None, Open, Active, Finished };

    // Hands a request (trimmed) to the engine; false when no thread could be made, and then no
    // event follows.
    using Starter = std::function<bool(const QString& request)>;

    // log: receives WM_USSD_LOG for every log line; null logs nothing.
    UssdDialogue(MessageTarget* log, SoundPlayer& sounds, Starter start, QObject* parent = nullptr);

    // The engine's owner: its WM_USSD_EVENT hand-overs come to HandleEvent.
    MessageTarget& EventTarget() { return target_; }
    // One engine event (USSD_EVENT_*) with its text, empty for the codes without one.
    void HandleEvent(std::uintptr_t code, const QString& text);
    // The window is going: what the engine still hands over is dropped.
    void Detach() { detached_ = true; }

    // The request box now holds boxText: the text class, the length and whether Send is offered.
    void TextChanged(const QString& boxText);
    // Whether one more typed character fits after boxText.
    bool MayType(const QString& boxText) const;
    // Sends the box's text; nothing while busy or for a blank request.
    void Send(const QString& boxText);

    // Reads the templates file into the list, followed by the item that parts them from the
    // requests sent; without the file the list starts empty.
    void LoadTemplates(const QString& path);
    const QStringList& Items() const { return items_; }
    // The code of the item chosen; empty when it holds none (the choice is then cleared).
    QString TemplateCodeAt(int index) const;

    // The byte order of 16-bit replies; true: big-endian.
    bool SwapBytes() const { return swapBytes_; }
    void SetSwapBytes(bool swap) { swapBytes_ = swap; }
    // Either menu item flips it, the one already checked too.
    void FlipByteOrder();

    void Log(const QString& line) const;

    // What the window shows.
    const QStringList& Transcript() const { return transcript_; }
    QString Panel(int index) const;
    Session SessionState() const { return session_; }
    bool Busy() const { return busy_; }
    bool SendEnabled() const { return sendEnabled_; }
    // The templates, the request box and Close take input only while idle; the window closes only
    // then, by Close, Escape and the close box alike.
    bool InputEnabled() const { return !busy_; }
    bool CanClose() const { return !busy_; }

Q_SIGNALS:
    // A transcript entry; a reply of several lines is one entry with line breaks.
    void Appended(const QString& entry);
    void ItemAdded(const QString& item);
    // Back to idle: the request box is emptied and no template is chosen. Comes before the panels
    // are cleared, so an emptied box does not show its own length.
    void RequestDone();
    void SwapBytesChanged(bool swap);
    // Panels, busy state or enabled controls changed.
    void Changed();

private:
    void Append(const QString& entry);
    void SetPanel(int index, const QString& text);
    void SetSession(Session session);
    void EnterBusy();
    void EnterIdle();

    MessageTarget* log_;
    SoundPlayer& sounds_;
    Starter start_;
    MessageFunctionTarget target_;
    bool detached_ = false;
    bool busy_ = false;
    bool sendEnabled_ = false;
    bool swapBytes_ = true;
    Session session_ = Session::None;
    std::array<QString, PanelCount> panels_;
    QStringList transcript_;
    QStringList items_;
};
