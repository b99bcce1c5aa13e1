#pragma once

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "device/Status.h"

class BroadbandService;
class QObject;

// What a refusal with Hr::Busy means to the user: the device does not start a new dialogue while
// one, possibly another program's, waits for its user's answer.
inline constexpr char UssdBusyText[] = "The device is busy: another program has a USSD session open.";

// One reply of the network.
struct UssdReply
{
    std::int32_t ResultCode = -1; // 0 no action required, 1 action required, 2 terminated,
                                  // 3 other local client, 4 not supported, 5 network timeout
    std::uint8_t DataCodingScheme = 0;
    bool HasText = false; // the payload was GSM 7-bit or UCS2 and is read into Text
    QString Text;
    std::vector<std::uint8_t> Payload;
};

// USSD over the MBIM USSD service of one device, for the USSD engine. Every operation may be
// called from any thread: the device is only touched on the user-interface thread, to which the
// work is handed; a caller on another thread blocks meanwhile, and one on the user-interface
// thread keeps the event loop running while it waits.
class UssdService
{
public:
    // uiContext: an object of the user-interface thread, where the broadband service runs.
    // service: null takes the process's default service.
    explicit UssdService(QObject* uiContext, BroadbandService* service = nullptr);
    ~UssdService();
    UssdService(const UssdService&) = delete;
    UssdService& operator=(const UssdService&) = delete;

    // Opens a session on the interface; fails when the interface is not there.
    HRESULT Open(const std::string& interfaceId);
    bool IsOpen() const;
    // True while the network waits for an answer to its last reply.
    bool IsActive() const;

    // Sends text (a new request, or the answer to a menu the network keeps open) and waits at
    // most timeoutMs for one reply. Ok with the reply; Hr::Pending when the time ran out;
    // Hr::Abort when Cancel ended the wait; the device's result otherwise, Hr::Busy when it refused
    // a new request beside a dialogue that waits for an answer (that dialogue is left alone).
    HRESULT SendAndWait(const QString& text, int timeoutMs, UssdReply& reply);
    // Ends a wait in SendAndWait from another thread.
    void Cancel();
    // Ends the dialogue with the network when one is open, and the session.
    void Close();

    // Request encoding and reply decoding, public for tests.
    static void Encode(const QString& text, std::uint8_t& dataCodingScheme, std::vector<std::uint8_t>& payload);
    static bool Decode(std::uint8_t dataCodingScheme, const std::vector<std::uint8_t>& payload, QString& text);

private:
    struct Private;
    std::shared_ptr<Private> d;
};
