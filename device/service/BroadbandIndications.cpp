// What the device reports unasked: indications, and the queries they call for.

#include "device/service/BroadbandInterfacePrivate.h"

using mbimx::Form;

void BroadbandInterfacePrivate::RefreshSmsConfiguration(BroadbandInterface& iface)
{
    SendCommand(iface, *this, mbim_message_sms_configuration_query_new(nullptr), mbimx::queryTimeoutSeconds,
                [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
                    if (Failed(hr))
                        qCWarning(lcBroadband)
                            << "SMS configuration not read after its change:" << HresultText(hr).c_str();
                    else
                        i.d->ApplySmsConfiguration(m, true);
                    if (i.IsReady())
                        i.Service().Raise(&IBroadbandSmsEvents::OnSmsConfigurationChange, i);
                });
}

void BroadbandInterfacePrivate::RadioChanged(BroadbandInterface& iface, std::int32_t before, bool announce)
{
    if (softwareRadio == 0 && scans == 0) {
        visibleResult = Hr::InvalidCache;
        visible.clear();
    } else if (before == 0 && softwareRadio == 1 && !removed) {
        RefreshNetworkQueries(iface, announce);
    }
}

void BroadbandInterfacePrivate::RefreshNetworkQueries(BroadbandInterface& iface, bool announce)
{
    using mbimx::queryTimeoutSeconds;
    SendCommand(iface, *this, mbim_message_home_provider_query_new(nullptr), queryTimeoutSeconds,
                [announce](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
                    if (Failed(hr))
                        i.d->homeResult = hr;
                    else
                        i.d->ApplyHomeProvider(m);
                    if (announce && !Failed(i.d->homeResult) && i.IsReady())
                        i.Service().Raise(&IBroadbandInterfaceEvents::OnHomeProviderAvailable, i);
                });
    SendCommand(iface, *this, mbim_message_preferred_providers_query_new(nullptr), queryTimeoutSeconds,
                [announce](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
                    if (Failed(hr))
                        i.d->preferredResult = hr;
                    else
                        i.d->ApplyPreferredProviders(m);
                    if (announce && !Failed(i.d->preferredResult) && i.IsReady())
                        i.Service().Raise(&IBroadbandInterfaceEvents::OnPreferredProvidersChange, i);
                });
    SendCommand(iface, *this, mbim_message_pin_list_query_new(nullptr), queryTimeoutSeconds,
                [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
                    if (Failed(hr))
                        i.d->pinListResult = hr;
                    else
                        i.d->ApplyPinList(m);
                });
    // What the device already knows, without a scan.
    SendCommand(iface, *this,
                mbim_message_visible_providers_query_new(MBIM_VISIBLE_PROVIDERS_ACTION_RESTRICTED_SCAN, nullptr),
                queryTimeoutSeconds, [](BroadbandInterface& i, MbimMessage* m, HRESULT hr) {
                    if (i.d->scans == 0 && !Failed(hr))
                        i.d->ApplyVisibleProviders(m);
                });
}

void BroadbandInterfacePrivate::Indication(MbimDevice*, MbimMessage* message, gpointer data)
{
    auto& iface = *static_cast<BroadbandInterface*>(data);
    auto& d = *iface.d;
    if (d.removed)
        return;
    auto keep = iface.shared_from_this(); // a sink may drop the service's reference meanwhile
    BroadbandService& service = iface.service;
    const MbimService mbimService = mbim_message_indicate_status_get_service(message);
    const guint32 cid = mbim_message_indicate_status_get_cid(message);
    // Indications before the interface has arrived only update what it will report.
    const bool announce = iface.ready;

    if (mbimService == MBIM_SERVICE_BASIC_CONNECT) {
        switch (cid) {
        case MBIM_CID_BASIC_CONNECT_SUBSCRIBER_READY_STATUS: {
            const std::int32_t before = d.readyState;
            if (d.ApplyReadyState(message, Form::Notification) && announce) {
                service.Raise(&IBroadbandInterfaceEvents::OnReadyStateChange, iface);
                service.Raise(&IBroadbandInterfaceEvents::OnSubscriberInformationChange, iface);
            }
            // An unlocked or changed SIM answers the provider queries differently.
            if (d.readyState != before && !d.removed)
                d.RefreshNetworkQueries(iface, announce);
            break;
        }
        case MBIM_CID_BASIC_CONNECT_RADIO_STATE: {
            const std::int32_t before = d.softwareRadio;
            // A malformed indication changes nothing, so nothing is announced.
            if (!d.ApplyRadio(message, Form::Notification))
                break;
            d.RadioChanged(iface, before, announce);
            if (announce)
                service.Raise(&IBroadbandRadioEvents::OnRadioStateChange, iface);
            break;
        }
        case MBIM_CID_BASIC_CONNECT_SIGNAL_STATE:
            if (d.ApplySignal(message, Form::Notification) && announce)
                service.Raise(&IBroadbandSignalEvents::OnSignalStateChange, iface);
            break;
        case MBIM_CID_BASIC_CONNECT_REGISTER_STATE:
            if (d.ApplyRegister(message, Form::Notification) && announce)
                service.Raise(&IBroadbandRegistrationEvents::OnRegisterStateChange, iface);
            break;
        case MBIM_CID_BASIC_CONNECT_PACKET_SERVICE:
            if (d.ApplyPacketService(message, Form::Notification) && announce)
                service.Raise(&IBroadbandRegistrationEvents::OnPacketServiceStateChange, iface);
            break;
        default: break;
        }
    } else if (mbimService == MBIM_SERVICE_SMS) {
        switch (cid) {
        case MBIM_CID_SMS_CONFIGURATION: d.RefreshSmsConfiguration(iface); break;
        case MBIM_CID_SMS_READ: {
            // Unsolicited reads carry class-0 messages that the device did not store.
            const auto list = mbimx::ParseSmsRead(message, Form::Notification);
            if (list && list->pdu && announce)
                service.Raise(&IBroadbandSmsEvents::OnSmsNewClass0Message, iface, &list->messages);
            break;
        }
        case MBIM_CID_SMS_MESSAGE_STORE_STATUS:
            if (announce)
                service.Raise(&IBroadbandSmsEvents::OnSmsStatusChange, iface);
            break;
        default: break;
        }
    }
}

void BroadbandInterfacePrivate::Removed(MbimDevice*, gpointer data)
{
    auto& iface = *static_cast<BroadbandInterface*>(data);
    iface.service.InterfaceRemoved(iface);
}
