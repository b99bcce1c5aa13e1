#pragma once
// Where the device layer's and the database's messages go among the controllers: incoming
// messages, the send pipeline and the device state. The main window hands every message here
// first; the controller tests do the same without a window.

#include <cstdint>

class IncomingMessages;
class SendPipeline;
class DeviceState;
struct Message;

class MessageRouter
{
public:
    MessageRouter(IncomingMessages& incoming, SendPipeline& pipeline, DeviceState& device);

    // True when one of the controllers took the message.
    bool Route(const Message& message);

private:
    bool RouteEvent(std::uintptr_t code, const Message& message);

    IncomingMessages& incoming_;
    SendPipeline& pipeline_;
    DeviceState& device_;
};
