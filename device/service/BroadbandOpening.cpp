// Opening one device: the libmbim device, its open, and the queries whose answers the getters
// serve; the interface arrives when all of them have answered.

#include "device/service/BroadbandInterfacePrivate.h"

using mbimx::Form;

BroadbandInterface::BroadbandInterface(BroadbandService& service, std::string path)
    : service(service), path(std::move(path)), d(std::make_unique<BroadbandInterfacePrivate>())
{
    d->cancellable = g_cancellable_new();
}

BroadbandInterface::~BroadbandInterface()
{
    Close();
    g_object_unref(d->cancellable);
}

void BroadbandInterface::Open(bool)
{
    GFile* file = g_file_new_for_path(path.c_str());
    mbim_device_new(file, d->cancellable, BroadbandInterfacePrivate::DeviceCreated,
                    new std::weak_ptr<BroadbandInterface>(weak_from_this()));
    g_object_unref(file);
}

void BroadbandInterface::Close()
{
    d->removed = true;
    ready = false;
    g_cancellable_cancel(d->cancellable);
    if (d->device) {
        g_signal_handler_disconnect(d->device, d->indicationHandler);
        g_signal_handler_disconnect(d->device, d->removedHandler);
        // Through the proxy a close would not reach the device anyway; the force close only
        // releases our end.
        mbim_device_close_force(d->device, nullptr);
        g_object_unref(d->device);
        d->device = nullptr;
    }
}

void BroadbandInterfacePrivate::DeviceCreated(GObject*, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<std::weak_ptr<BroadbandInterface>> weak(static_cast<std::weak_ptr<BroadbandInterface>*>(data));
    GError* error = nullptr;
    MbimDevice* device = mbim_device_new_finish(result, &error);
    auto iface = weak->lock();
    if (!iface || iface->d->removed) {
        if (device)
            g_object_unref(device);
        if (error)
            g_error_free(error);
        return;
    }
    if (!device) {
        qCWarning(lcBroadband) << "Cannot use" << iface->path.c_str() << ":" << error->message;
        g_error_free(error);
        iface->service.InterfaceFailed(*iface);
        return;
    }
    auto& d = *iface->d;
    d.device = device;
    d.indicationHandler =
        g_signal_connect(device, MBIM_DEVICE_SIGNAL_INDICATE_STATUS, G_CALLBACK(Indication), iface.get());
    d.removedHandler = g_signal_connect(device, MBIM_DEVICE_SIGNAL_REMOVED, G_CALLBACK(Removed), iface.get());
    const auto flags = iface->service.options.useProxy ? MBIM_DEVICE_OPEN_FLAGS_PROXY : MBIM_DEVICE_OPEN_FLAGS_NONE;
    mbim_device_open_full(device, flags, mbimx::openTimeoutSeconds, d.cancellable, DeviceOpened,
                          new std::weak_ptr<BroadbandInterface>(iface));
}

namespace {

using P = BroadbandInterfacePrivate;

// One of the queries whose answers the getters serve. A failed query is kept as the result of
// its getters; the visible list keeps none, since no list yet is an invalid cache whatever the
// device's reason.
struct Query
{
    MbimMessage* (*make)(GError**);
    HRESULT P::*result;
    void (*apply)(P&, MbimMessage*);
};

} // namespace

void BroadbandInterfacePrivate::DeviceOpened(GObject* source, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<std::weak_ptr<BroadbandInterface>> weak(static_cast<std::weak_ptr<BroadbandInterface>*>(data));
    GError* error = nullptr;
    const bool opened = mbim_device_open_full_finish(MBIM_DEVICE(source), result, &error);
    auto iface = weak->lock();
    if (!iface || iface->d->removed) {
        if (error)
            g_error_free(error);
        return;
    }
    if (!opened) {
        qCWarning(lcBroadband) << "Cannot open" << iface->path.c_str() << ":" << error->message;
        g_error_free(error);
        iface->service.InterfaceFailed(*iface);
        return;
    }
    static const Query queries[] = {
        {mbim_message_device_caps_query_new, &P::capsResult, [](P& d, MbimMessage* m) { d.ApplyCaps(m); }},
        {mbim_message_subscriber_ready_status_query_new, &P::readyResult,
         [](P& d, MbimMessage* m) { d.ApplyReadyState(m, Form::Response); }},
        {mbim_message_radio_state_query_new, &P::radioResult,
         [](P& d, MbimMessage* m) { d.ApplyRadio(m, Form::Response); }},
        {mbim_message_signal_state_query_new, &P::signalResult,
         [](P& d, MbimMessage* m) { d.ApplySignal(m, Form::Response); }},
        {mbim_message_register_state_query_new, &P::registerResult,
         [](P& d, MbimMessage* m) { d.ApplyRegister(m, Form::Response); }},
        {mbim_message_packet_service_query_new, &P::packetResult,
         [](P& d, MbimMessage* m) { d.ApplyPacketService(m, Form::Response); }},
        {mbim_message_sms_configuration_query_new, &P::smsConfigResult,
         [](P& d, MbimMessage* m) { d.ApplySmsConfiguration(m, false); }},
        {mbim_message_home_provider_query_new, &P::homeResult, [](P& d, MbimMessage* m) { d.ApplyHomeProvider(m); }},
        {mbim_message_preferred_providers_query_new, &P::preferredResult,
         [](P& d, MbimMessage* m) { d.ApplyPreferredProviders(m); }},
        {mbim_message_pin_list_query_new, &P::pinListResult, [](P& d, MbimMessage* m) { d.ApplyPinList(m); }},
        {[](GError** e) {
             return mbim_message_visible_providers_query_new(MBIM_VISIBLE_PROVIDERS_ACTION_RESTRICTED_SCAN, e);
         },
         nullptr, [](P& d, MbimMessage* m) { d.ApplyVisibleProviders(m); }},
        {mbim_message_device_services_query_new, &P::servicesResult,
         [](P& d, MbimMessage* m) { d.ApplyDeviceServices(m); }},
    };
    auto& d = *iface->d;
    d.initialQueries = static_cast<int>(std::size(queries));
    for (const auto& query : queries) {
        SendCommand(*iface, d, query.make(nullptr), mbimx::queryTimeoutSeconds,
                    [&query](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
                        if (!Failed(hr))
                            query.apply(*i.d, m);
                        else if (query.result)
                            (*i.d).*query.result = hr;
                        if (--i.d->initialQueries == 0)
                            i.service.InterfaceOpened(i);
                    });
    }
}
