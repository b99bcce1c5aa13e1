#include "controller/MessageRouter.h"

#include "app/MessageTarget.h"
#include "app/Messages.h"
#include "controller/DeviceState.h"
#include "controller/IncomingMessages.h"
#include "controller/SendPipeline.h"
#include "device/Broadband.h"

MessageRouter::MessageRouter(IncomingMessages& incoming, SendPipeline& pipeline, DeviceState& device)
    : incoming_(incoming), pipeline_(pipeline), device_(device)
{ }

bool MessageRouter::Route(const Message& message)
{
    switch (message.Number) {
    case WM_BROADBAND_EVENT: return RouteEvent(message.WParam, message);
    case WM_BROADBAND_SIGNAL:
        device_.HandleSignal(message.WParam != 0, static_cast<std::uint32_t>(message.LParam));
        return true;
    case WM_BROADBAND_SMS:
        if (const auto* record = message.Record<BROADBAND_SMS_DATA>())
            incoming_.HandleDeviceSms(static_cast<std::uint32_t>(message.WParam), *record);
        return true;
    case WM_BROADBAND_REGISTRATION:
        if (const auto* record = message.Record<BROADBAND_REGISTRATION_DATA>())
            device_.HandleRegistration(*record);
        return true;
    case WM_DATABASE_SMS:
        if (const auto* batch = message.Record<DATABASE_SMS_BATCH>())
            incoming_.HandleStoredBatch(*batch);
        return true;
    case WM_DATABASE_TEMPLATE:
        if (const auto* record = message.Record<DATABASE_TEMPLATE_DATA>())
            incoming_.HandleStoredTemplate(*record);
        return true;
    case WM_DATABASE_LOAD: incoming_.HandleLoadProgress(message.WParam); return true;
    default: return false;
    }
}

bool MessageRouter::RouteEvent(std::uintptr_t code, const Message& message)
{
    switch (code) {
    case EV_SMS_DELETE_COMPLETE:
        if (const auto* result = message.Record<BROADBAND_REQUEST_RESULT>())
            incoming_.HandleSmsDeleteComplete(*result);
        return true;
    case EV_SMS_SEND_COMPLETE:
        if (const auto* result = message.Record<BROADBAND_REQUEST_RESULT>())
            pipeline_.HandleSmsSendComplete(*result);
        return true;
    case EV_SMS_STATUS: incoming_.HandleSmsStatus(); return true;
    case EV_PIN_ENTER_COMPLETE:
        if (const auto* result = message.Record<BROADBAND_REQUEST_RESULT>())
            device_.PinEntered(*result);
        return true;
    case EV_INTERFACE_ARRIVAL:
    case EV_INTERFACE_REMOVAL:
    case EV_READY_STATE:
    case EV_CAPABILITY:
    case EV_RADIO_STATE:
    case EV_PACKET_SERVICE:
        device_.HandleEvent(code, message.LParam, message.Record<std::string>());
        return false; // the window shows the radio and the scan itself
    default: return false;
    }
}
