#include "app/desktop/DesktopSound.h"

#include <QFile>
#include <QFileInfo>

#include <canberra.h>

namespace {

// Requests waiting beyond this mean the sound server hangs; later ones are dropped.
constexpr std::size_t MaxQueued = 16;

} // namespace

std::optional<DesktopSound::Request> DesktopSound::Resolve(const QString& name)
{
    static const struct
    {
        const char* name;
        const char* event;
    } events[] = {
        {"Notification.SMS", "message-new-instant"},
        {"DeviceConnect", "device-added"},
        {"DeviceDisconnect", "device-removed"},
    };
    for (const auto& e : events) {
        if (name.compare(QLatin1String(e.name), Qt::CaseInsensitive) == 0)
            return Request{e.event, {}};
    }
    if (name.size() > 4 && name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive))
        return Request{{}, QFile::encodeName(QFileInfo(name).absoluteFilePath())};
    return std::nullopt;
}

DesktopSound::DesktopSound(SoundThrottle::MonotonicMs now)
    : throttle(SoundThrottle::DefaultIntervalMs, std::move(now)), worker([this] { Run(); })
{ }

DesktopSound::~DesktopSound()
{
    {
        std::lock_guard guard(lock);
        stopping = true;
    }
    wake.notify_one();
    worker.join();
}

void DesktopSound::Play(const QString& name)
{
    std::optional<Request> request = Resolve(name);
    if (!request)
        return;
    {
        std::lock_guard guard(lock);
        if (!throttle.Allow(name) || queue.size() >= MaxQueued)
            return;
        queue.push_back(std::move(*request));
    }
    wake.notify_one();
}

void DesktopSound::Run()
{
    ca_context* context = nullptr;
    std::unique_lock guard(lock);
    for (;;) {
        wake.wait(guard, [this] { return stopping || !queue.empty(); });
        if (stopping)
            break;
        const Request request = std::move(queue.front());
        queue.pop_front();
        guard.unlock();
        // The context is made on first use, on this thread, and used only here.
        if (!context && ca_context_create(&context) == CA_SUCCESS)
            ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Parlowen", CA_PROP_APPLICATION_ID, "parlowen",
                                    nullptr);
        int result = CA_ERROR_NOTAVAILABLE;
        if (context) {
            if (!request.eventId.isEmpty())
                result = ca_context_play(context, 0, CA_PROP_EVENT_ID, request.eventId.constData(), nullptr);
            else
                result = ca_context_play(context, 0, CA_PROP_MEDIA_FILENAME, request.file.constData(), nullptr);
        }
        lastResult = result;
        ++dispatched;
        guard.lock();
    }
    guard.unlock();
    if (context)
        ca_context_destroy(context);
}
