#include "device/service/UssdService.h"

#include "app/MessageTarget.h"
#include "codec/Gsm.h"
#include "codec/Septets.h"
#include "device/UssdCoding.h"
#include "device/service/BroadbandService.h"
#include "device/service/EventWait.h"

#include <QObject>
#include <QThread>

#include <algorithm>
#include <functional>
#include <mutex>

namespace {

enum : std::uint32_t { ActionInitiate = 0, ActionContinue = 1, ActionCancel = 2 };
constexpr std::uint8_t DcsGsm = 0x0F;
constexpr std::uint8_t DcsUcs2 = 0x48;
constexpr std::uint32_t ActionRequired = 1;
constexpr unsigned RunOnUi = 1;

// One request awaiting its reply. Shared with the device's callback, which may come after the
// waiter has given up.
struct Pending
{
    WaitEvent done;
    std::mutex mutex;
    HRESULT status = Hr::Pending;
    UssdReply reply;
};

} // namespace

struct UssdService::Private
{
    QObject* context;
    BroadbandService* service;
    MessageFunctionTarget target;
    mutable std::mutex mutex;
    std::weak_ptr<BroadbandInterface> iface;
    bool open = false;
    bool active = false;      // the network waits for an answer
    bool outstanding = false; // a request the network has not answered yet
    std::shared_ptr<Pending> pending;

    Private(QObject* context, BroadbandService* service)
        : context(context), service(service), target(context, [](const Message& m) -> std::intptr_t {
              if (const auto* work = m.Record<std::function<void()>>())
                  (*work)();
              return 0;
          })
    { }

    void OnUi(const std::function<void()>& work) { target.SendRecord(RunOnUi, 0, work); }

    bool OnUiThread() const { return QThread::currentThread() == context->thread(); }
};

UssdService::UssdService(QObject* uiContext, BroadbandService* service)
    : d(std::make_shared<Private>(uiContext, service))
{ }

UssdService::~UssdService()
{
    Close();
}

HRESULT UssdService::Open(const std::string& interfaceId)
{
    HRESULT hr = Hr::Fail;
    d->OnUi([&] {
        BroadbandService* service = d->service ? d->service : BroadbandService::Default();
        if (!service) {
            hr = Hr::ServiceNotStarted;
            return;
        }
        std::shared_ptr<BroadbandInterface> iface;
        hr = service->GetInterface(interfaceId, iface);
        if (Failed(hr))
            return;
        std::lock_guard lock(d->mutex);
        d->iface = iface;
        d->open = true;
        d->active = false;
    });
    return hr;
}

bool UssdService::IsOpen() const
{
    std::lock_guard lock(d->mutex);
    return d->open;
}

bool UssdService::IsActive() const
{
    std::lock_guard lock(d->mutex);
    return d->active;
}

HRESULT UssdService::SendAndWait(const QString& text, int timeoutMs, UssdReply& reply)
{
    auto pending = std::make_shared<Pending>();
    std::uint32_t action = ActionInitiate;
    {
        std::lock_guard lock(d->mutex);
        if (!d->open)
            return Hr::NotReady;
        action = d->active ? ActionContinue : ActionInitiate;
        d->pending = pending;
        d->outstanding = true;
    }
    std::uint8_t dcs = 0;
    std::vector<std::uint8_t> payload;
    Encode(text, dcs, payload);
    // The device's own limit sits above the caller's, so that the caller's timeout decides.
    const auto deviceTimeout = static_cast<std::uint32_t>(std::max(timeoutMs, 0) / 1000 + 10);
    HRESULT accepted = Hr::Ok;
    std::weak_ptr<Private> weak = d;
    d->OnUi([&] {
        auto iface = d->iface.lock();
        if (!iface) {
            accepted = Hr::NotReady;
            return;
        }
        accepted = iface->Ussd(
            action, dcs, payload, deviceTimeout, [pending, weak](const BroadbandInterface::UssdAnswer& answer) {
                if (auto p = weak.lock()) {
                    std::lock_guard sessionLock(p->mutex);
                    p->outstanding = false;
                }
                {
                    std::lock_guard lock(pending->mutex);
                    if (pending->done.IsSet())
                        return; // the waiter gave up; a late answer changes nothing
                    pending->status = answer.status;
                    if (!Failed(answer.status)) {
                        pending->reply.ResultCode = static_cast<std::int32_t>(answer.response);
                        pending->reply.DataCodingScheme = static_cast<std::uint8_t>(answer.dataCodingScheme);
                        pending->reply.Payload = answer.payload;
                        pending->reply.HasText =
                            Decode(pending->reply.DataCodingScheme, answer.payload, pending->reply.Text);
                        if (auto p = weak.lock()) {
                            std::lock_guard sessionLock(p->mutex);
                            p->active = answer.response == ActionRequired;
                        }
                    }
                }
                pending->done.Set();
            });
    });
    if (Failed(accepted)) {
        std::lock_guard lock(d->mutex);
        d->pending.reset();
        return accepted;
    }

    bool answered = false;
    if (d->OnUiThread()) {
        // The answer comes through this thread's event loop.
        answered = ProcessEventsUntil([&] { return pending->done.IsSet(); }, std::max(timeoutMs, 0), 10);
    } else {
        answered = pending->done.Wait(std::max(timeoutMs, 0));
    }

    HRESULT result;
    {
        std::lock_guard lock(pending->mutex);
        // An answer that came as the time ran out still counts; a later one is dropped.
        if (!answered && pending->status == Hr::Pending)
            pending->done.Set();
        result = pending->status;
        if (!Failed(result) && result != Hr::Pending)
            reply = pending->reply;
    }
    std::lock_guard lock(d->mutex);
    d->pending.reset();
    return result;
}

void UssdService::Cancel()
{
    std::shared_ptr<Pending> pending;
    {
        std::lock_guard lock(d->mutex);
        pending = d->pending;
    }
    if (!pending)
        return;
    {
        std::lock_guard lock(pending->mutex);
        if (pending->done.IsSet())
            return;
        pending->status = Hr::Abort;
    }
    pending->done.Set();
}

void UssdService::Close()
{
    bool cancelDialogue = false;
    {
        std::lock_guard lock(d->mutex);
        if (!d->open)
            return;
        // A dialogue the network keeps open, or a request it has not answered, is ended there too.
        cancelDialogue = d->active || d->outstanding;
        d->outstanding = false;
        d->open = false;
        d->active = false;
    }
    Cancel();
    if (!cancelDialogue)
        return;
    d->OnUi([this] {
        auto iface = d->iface.lock();
        if (iface)
            iface->Ussd(ActionCancel, DcsGsm, {}, 10, [](const BroadbandInterface::UssdAnswer&) {});
    });
}

void UssdService::Encode(const QString& text, std::uint8_t& dataCodingScheme, std::vector<std::uint8_t>& payload)
{
    const std::u16string units = text.toStdU16String();
    payload.clear();
    if (ChooseAlphabet(units) == AlphabetUcs2) {
        dataCodingScheme = DcsUcs2;
        std::vector<std::uint8_t> octets(GsmMaxCodes);
        octets.resize(TextToUcs2(units, octets.data()));
        // A USSD string holds at most 160 octets.
        octets.resize(std::min<std::size_t>(octets.size(), 160));
        payload = std::move(octets);
        return;
    }
    dataCodingScheme = DcsGsm;
    std::vector<std::uint8_t> codes(GsmBufferSize);
    codes.resize(std::min<std::size_t>(TextToGsm(units, codes.data()), 182));
    // Seven spare bits at the end would read as '@': a carriage return fills them instead.
    if (codes.size() % 8 == 7)
        codes.push_back(0x0D);
    unsigned bits = 0, value = 0;
    for (std::uint8_t code : codes) {
        value |= static_cast<unsigned>(code & 0x7F) << bits;
        bits += 7;
        while (bits >= 8) {
            payload.push_back(static_cast<std::uint8_t>(value & 0xFF));
            value >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0)
        payload.push_back(static_cast<std::uint8_t>(value & 0xFF));
}

bool UssdService::Decode(std::uint8_t dataCodingScheme, const std::vector<std::uint8_t>& payload, QString& text)
{
    const UssdAlphabet alphabet = UssdAlphabetOf(dataCodingScheme);
    text.clear();
    if (alphabet == UssdAlphabet::Octets)
        return false;
    if (alphabet == UssdAlphabet::Ucs2) {
        const std::size_t skip = UssdPrefixOctets(dataCodingScheme);
        if (payload.size() < skip)
            return false;
        text = QString::fromStdU16String(Ucs2ToText(payload.data() + skip, payload.size() - skip));
        return true;
    }
    std::vector<std::uint8_t> septets = UnpackSeptetOctets(payload.data(), payload.size());
    // A carriage return in the last septet of a whole group of seven octets is fill.
    if (!payload.empty() && payload.size() % 7 == 0 && !septets.empty() && septets.back() == 0x0D)
        septets.pop_back();
    const std::size_t skip = std::min(UssdPrefixSeptets(dataCodingScheme), septets.size());
    text = QString::fromStdU16String(GsmToText(septets.data() + skip, septets.size() - skip));
    return true;
}
