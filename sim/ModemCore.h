// The simulated modem without any I/O: bytes from the host go in, bytes for the host
// come out, and time advances only when the driver says so. The pseudo-terminal
// driver (ModemSimulator), the tests and the fuzz target all use this class.
#pragma once

#include "Mbim.h"
#include "Network.h"
#include "SimCard.h"
#include "UssdMenu.h"

#include <ctime>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sim {

struct ModemConfig
{
    bool simLocked = false; // the SIM asks for its PIN at start
    uint32_t statusReportDelayMs = 1500;
    uint32_t loopbackDelayMs = 800; // a message to the own number comes back after this
    uint32_t scanDelayMs = 3000;    // full scan of visible providers
    uint32_t maxTransfer = 4096;    // upper bound for fragments, below the host's
    bool demoContents = true;       // stored messages and phonebook entries to start with
    // Reported in the device capabilities only: a named custom data class (with its flag) and
    // data classes beyond the network's, such as the two 5G ones.
    std::string customDataClass;
    uint32_t moreDataClasses = 0;
};

// A fault put on the next reply or indication of one command: its information buffer cut to
// `keep` bytes, and/or the u32 at `offsetAt` made to point past the buffer's end.
struct Damage
{
    size_t keep = SIZE_MAX;
    std::optional<size_t> offsetAt;
};

struct DeliverRequest
{
    std::string sender;
    std::u16string text;
    bool ucs2 = false;
    bool class0 = false;
    std::vector<uint32_t> order; // 1-based part numbers in delivery order; empty: natural
};

class ModemCore
{
public:
    explicit ModemCore(const ModemConfig& config = {});

    // Transport side.
    void receive(std::span<const uint8_t> bytes);
    std::vector<Bytes> takeOutput();
    void advance(int64_t nowMs);
    int64_t now() const { return now_; }
    std::optional<int64_t> nextDeadline() const;
    void hostGone(); // the host side closed or the device was unplugged
    // Starts the modem as after power-up: the SIM asks for its PIN when it is enabled.
    void powerOn();
    bool isOpen() const { return open_; }

    // Control.
    // Returns the number of parts delivered, 0 when the storage was full.
    size_t deliverSms(const DeliverRequest& request);
    // A status report for a message that this modem's host did not send; false when the storage was full.
    bool deliverStatusReport(const std::string& recipient, uint8_t reference, uint8_t status);
    void setSignal(uint32_t rssi, uint32_t errorRate);
    void setRadio(bool on);
    void setRegistration(uint32_t state, const std::string& providerId = {});
    void setDataClass(uint32_t dataClass);
    // A new service centre address, announced as the SMS configuration indication.
    void setServiceCentre(const std::string& address);
    void damageNext(const mbim::Uuid& service, uint32_t cid, const Damage& damage) { damage_[{service, cid}] = damage; }
    void failNextSend(uint32_t status) { failNextSend_ = status; }
    void dropNextSendCompletion() { dropNextSend_ = true; }
    // The answer to the next send comes this much later, after its status report if one is asked.
    void delayNextSendCompletion(uint32_t ms) { delayNextSendMs_ = ms; }
    // The status report of the next message sent with a report request carries this TP-Status.
    void reportNextWith(uint8_t status) { nextReportStatus_ = status; }
    void setReplyDelay(uint32_t ms) { replyDelayMs_ = ms; }
    std::string describeStorage() const;

    SimCard& sim() { return sim_; }
    const SimCard& sim() const { return sim_; }
    Network& network() { return network_; }
    const ModemConfig& config() const { return config_; }

    // Called after the SIM's stored contents (messages, phonebook, PIN) change.
    std::function<void()> onSimChanged;
    // Called when the host opens a session, before OPEN_DONE is queued: the transport
    // drops whatever an earlier host left unread.
    std::function<void()> onOpen;
    // Diagnostic lines (requests seen, faults injected).
    std::function<void(const std::string&)> log;

    // Wall clock for PDU time stamps; tests may fix it.
    std::function<std::time_t()> wallClock = [] { return std::time(nullptr); };

private:
    struct Reply
    {
        uint32_t status = mbim::Success;
        Bytes information;
    };
    using Handler = std::optional<Reply> (ModemCore::*)(const mbim::Request&);

    void handle(const mbim::Event& event);
    void command(const mbim::Request& request);
    void send(const Bytes& message);
    void send(const std::vector<Bytes>& fragments);
    void respond(const mbim::Request& request, const Reply& reply);
    void respondLater(const mbim::Request& request, uint32_t delayMs, std::function<Reply()> make);
    void indicate(const mbim::Uuid& service, uint32_t cid, const Bytes& information);
    void later(uint32_t delayMs, std::function<void()> action);
    void note(const std::string& line);
    Bytes damaged(const mbim::Uuid& service, uint32_t cid, Bytes information);
    void simChanged();
    uint32_t fragmentSize() const;

    // Basic Connect.
    std::optional<Reply> basicConnect(const mbim::Request& request);
    Bytes deviceCaps() const;
    Bytes subscriberReadyStatus() const;
    Bytes radioState() const;
    Bytes pinInfo() const;
    Bytes pinList() const;
    Bytes provider(const Provider& p) const;
    Bytes providerList(const std::vector<const Provider*>& list) const;
    Bytes registerStateInfo() const;
    Bytes packetService() const;
    Bytes signalState() const;
    Bytes deviceServices() const;
    std::optional<Reply> setPin(const mbim::Request& request);
    std::optional<Reply> setRegisterState(const mbim::Request& request);
    void announceNetwork();

    // SMS.
    std::optional<Reply> sms(const mbim::Request& request);
    Bytes smsConfiguration() const;
    Bytes smsRecords(const std::vector<std::pair<uint32_t, StoredSms>>& messages) const;
    Bytes storeStatus(uint32_t flag, uint32_t index) const;
    std::optional<Reply> sendSms(const mbim::Request& request);
    bool receiveSms(const Bytes& pdu, bool class0);

    // USSD.
    std::optional<Reply> ussd(const mbim::Request& request);
    Reply ussdReply(const UssdAnswer& answer, bool newSession) const;

    // Phonebook.
    std::optional<Reply> phonebook(const mbim::Request& request);

    ModemConfig config_;
    SimCard sim_;
    Network network_;
    UssdMenu ussd_;
    mbim::Deframer deframer_;
    std::vector<Bytes> output_;
    std::multimap<int64_t, std::function<void()>> timers_;
    int64_t now_ = 0;
    int64_t partialSince_ = -1;

    bool open_ = false;
    uint32_t hostMaxTransfer_ = 4096;
    uint64_t epoch_ = 0; // bumped by OPEN, CLOSE and unplugging; stale replies are dropped
    uint32_t replyDelayMs_ = 0;
    int64_t lastReplyDue_ = 0; // when the last delayed ordinary reply goes out
    std::optional<uint32_t> failNextSend_;
    bool dropNextSend_ = false;
    std::optional<uint8_t> nextReportStatus_;
    std::optional<uint32_t> delayNextSendMs_;
    uint8_t messageReference_ = 0;
    uint8_t concatReference_ = 0;
    bool ussdPending_ = false; // a request waits for a network answer
    uint64_t ussdEpoch_ = 0;   // bumped by a cancel so that a late answer no longer counts
    uint32_t lastNewIndex_ = 0;
    bool announce_ = false;                                  // network state changed while serving a command
    std::map<mbim::Uuid, std::set<uint32_t>> subscriptions_; // empty: every indication
    std::map<std::pair<mbim::Uuid, uint32_t>, Damage> damage_;
};

} // namespace sim
