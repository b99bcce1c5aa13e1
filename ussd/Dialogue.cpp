#include "ussd/Dialogue.h"

#include "app/Messages.h"
#include "app/Sounds.h"
#include "ussd/Engine.h"
#include "ussd/Templates.h"

#include <algorithm>

namespace {

const QString ReplySound = QStringLiteral("Notification.SMS");

// Removes the characters of code 32 or below (blanks, line breaks, control characters).
QString TrimLeft(const QString& text)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start).unicode() <= 32)
        ++start;
    return text.mid(start);
}

QString TrimRight(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 && text.at(end - 1).unicode() <= 32)
        --end;
    return text.left(end);
}

QString Trim(const QString& text)
{
    return TrimRight(TrimLeft(text));
}

// What counts of the request box: line ends as one character, nothing blank at the end.
QString TypedText(const QString& boxText)
{
    QString text = boxText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return TrimRight(text);
}

QString SessionText(UssdDialogue::Session session)
{
    switch (session) {
    case UssdDialogue::Session::Open: return QStringLiteral("Open");
    case UssdDialogue::Session::Active: return QStringLiteral("Active");
    case UssdDialogue::Session::Finished: return QStringLiteral("Finished");
    case UssdDialogue::Session::None: break;
    }
    return QString();
}

} // namespace

UssdDialogue::UssdDialogue(MessageTarget* log, SoundPlayer& sounds, Starter start, QObject* parent)
    : QObject(parent),
      log_(log),
      sounds_(sounds),
      start_(std::move(start)),
      target_(this, [this](const Message& m) -> std::intptr_t {
          if (detached_ || m.Number != WM_USSD_EVENT)
              return 0;
          const QString* text = m.Record<QString>();
          HandleEvent(m.WParam, text != nullptr ? *text : QString());
          return 0;
      })
{ }

void UssdDialogue::Log(const QString& line) const
{
    if (log_ != nullptr)
        log_->SendRecord(WM_USSD_LOG, 0, line);
}

QString UssdDialogue::Panel(int index) const
{
    return index >= 0 && index < PanelCount ? panels_[static_cast<std::size_t>(index)] : QString();
}

void UssdDialogue::SetPanel(int index, const QString& text)
{
    panels_[static_cast<std::size_t>(index)] = text;
}

void UssdDialogue::SetSession(Session session)
{
    session_ = session;
    SetPanel(2, SessionText(session));
}

void UssdDialogue::Append(const QString& entry)
{
    transcript_.append(entry);
    Q_EMIT Appended(entry);
}

void UssdDialogue::EnterBusy()
{
    busy_ = true;
    sendEnabled_ = false;
}

void UssdDialogue::EnterIdle()
{
    busy_ = false;
    Q_EMIT RequestDone();
    SetPanel(1, QString());
    SetPanel(0, QString());
}

void UssdDialogue::TextChanged(const QString& boxText)
{
    const QString text = TypedText(boxText);
    const bool wide = std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 255; });
    SetPanel(0, wide ? QStringLiteral("UCS2") : QStringLiteral("GSM"));
    SetPanel(1, QString::number(text.size()));
    sendEnabled_ = !busy_ && !text.isEmpty();
    Q_EMIT Changed();
}

bool UssdDialogue::MayType(const QString& boxText) const
{
    return TypedText(boxText).size() < MaxTyped;
}

void UssdDialogue::Send(const QString& boxText)
{
    if (busy_)
        return;
    const QString request = Trim(boxText);
    if (request.isEmpty())
        return;
    Append(QStringLiteral(">> ") + request);
    SetPanel(3, QString());
    if (ussd::AddRecentRequest(items_, request))
        Q_EMIT ItemAdded(request);
    EnterBusy();
    Q_EMIT Changed();
    if (!start_(request)) {
        // No thread, so no event will ever come to end the busy state.
        Append(QStringLiteral("< Error occurred - Unable to create comminication thread."));
        SetPanel(3, QStringLiteral("Request uncompleted"));
        EnterIdle();
        Q_EMIT Changed();
    }
}

void UssdDialogue::HandleEvent(std::uintptr_t code, const QString& text)
{
    switch (code) {
    case USSD_EVENT_STARTED:
        Log(QStringLiteral("USSD -> Session started"));
        SetPanel(3, QStringLiteral("Waiting response..."));
        EnterBusy();
        break;
    case USSD_EVENT_DATA: {
        Log(QStringLiteral("USSD -> Session data -> Ok"));
        // Every line of a reply starts with the reply mark.
        QString reply = Trim(text);
        reply.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        reply.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        reply.replace(QLatin1Char('\n'), QStringLiteral("\n<< "));
        Append(QStringLiteral("<< ") + reply);
        sounds_.Play(ReplySound);
        break;
    }
    case USSD_EVENT_ERROR:
        Log(QStringLiteral("USSD -> Session data -> Error"));
        Append(QStringLiteral("< Error occurred - ") + text);
        sounds_.Play(ReplySound);
        break;
    case USSD_EVENT_EXCEPTION:
        Append(QStringLiteral("< Error occurred - Exception"));
        SetPanel(3, QStringLiteral("Error occurred - Exception"));
        break;
    case USSD_EVENT_SESSION_OPEN: SetSession(Session::Open); break;
    case USSD_EVENT_SESSION_ACTIVE: SetSession(Session::Active); break;
    case USSD_EVENT_SESSION_FINISHED: SetSession(Session::Finished); break;
    case USSD_EVENT_RESULT: SetPanel(3, text); break;
    case USSD_EVENT_FINISHED:
        Log(QStringLiteral("USSD -> Session finished"));
        EnterIdle();
        break;
    default: return;
    }
    Q_EMIT Changed();
}

void UssdDialogue::LoadTemplates(const QString& path)
{
    if (const auto lines = ussd::ReadTemplates(path)) {
        items_ = *lines;
        items_.append(ussd::RecentItem);
    } else {
        Log(QStringLiteral("USSD -> Templates not found"));
    }
}

QString UssdDialogue::TemplateCodeAt(int index) const
{
    if (index < 0 || index >= items_.size())
        return QString();
    return ussd::TemplateCode(items_.at(index));
}

void UssdDialogue::FlipByteOrder()
{
    swapBytes_ = !swapBytes_;
    Q_EMIT SwapBytesChanged(swapBytes_);
    Log(QStringLiteral("Settings -> Save -> SwapBytes = %1").arg(swapBytes_ ? 1 : 0));
    SetPanel(3, swapBytes_ ? QStringLiteral("UCS2 bytes order: Big-Endian")
                           : QStringLiteral("UCS2 bytes order: Little-Endian"));
    Q_EMIT Changed();
}
