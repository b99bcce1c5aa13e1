// SMS, USSD and phonebook services, driven with libmbim's builders and parsers; the
// PDUs the modem produces are read back with the project's own codec.
#include "Host.h"

#include "codec/Pdu.h"
#include "sim/Gsm.h"
#include "sim/SmsPdu.h"

using simtest::Host;
using simtest::Message;

namespace {

struct StoredRecord
{
    uint32_t index;
    uint32_t status;
    std::string pdu; // hex
};

std::vector<StoredRecord> records(const Message& done, bool notification = false)
{
    guint32 count = 0;
    MbimSmsPduReadRecord** list = nullptr;
    bool ok = notification
                  ? mbim_message_sms_read_notification_parse(done.get(), nullptr, &count, &list, nullptr, nullptr)
                  : mbim_message_sms_read_response_parse(done.get(), nullptr, &count, &list, nullptr, nullptr);
    EXPECT_TRUE(ok);
    std::vector<StoredRecord> out;
    for (guint32 i = 0; ok && i < count; ++i)
        out.push_back({list[i]->message_index, list[i]->message_status,
                       sim::pdu::hex(std::span<const uint8_t>(list[i]->pdu_data, list[i]->pdu_data_size))});
    if (list)
        mbim_sms_pdu_read_record_array_free(list);
    return out;
}

std::vector<StoredRecord> read(Host& host, MbimSmsFlag flag, uint32_t index = 0)
{
    auto done = host.command(mbim_message_sms_read_query_new(MBIM_SMS_FORMAT_PDU, flag, index, nullptr));
    EXPECT_EQ(Host::status(done), MBIM_STATUS_ERROR_NONE);
    return records(done);
}

PDU decoded(const std::string& hex)
{
    PDU pdu(hex);
    EXPECT_TRUE(pdu.Decode()) << hex << ": " << pdu.Error;
    return pdu;
}

// Sends one SMS-SUBMIT; returns the COMMAND_DONE.
Message submit(Host& host, const std::string& pduHex)
{
    sim::Bytes bytes;
    for (size_t i = 0; i + 1 < pduHex.size(); i += 2)
        bytes.push_back(uint8_t(std::stoi(pduHex.substr(i, 2), nullptr, 16)));
    MbimSmsPduSendRecord record;
    record.pdu_data = bytes.data();
    record.pdu_data_size = guint32(bytes.size());
    return host.command(mbim_message_sms_send_set_new(MBIM_SMS_FORMAT_PDU, &record, nullptr, nullptr));
}

std::string encode(const std::string& number, const std::u16string& text, bool report, unsigned part = 0,
                   unsigned total = 0, bool flash = false)
{
    PDU pdu;
    pdu.Number = number;
    pdu.Text = text;
    pdu.ReportRequest = report;
    pdu.Flash = flash;
    if (total) {
        pdu.Multipart = true;
        pdu.Reference = 42;
        pdu.PartsTotal = total;
        pdu.PartNumber = part;
    }
    pdu.Encode();
    return pdu.PduText;
}

guint32 storeStatusIndex(Host& host)
{
    auto list = host.take(MBIM_SERVICE_SMS, MBIM_CID_SMS_MESSAGE_STORE_STATUS);
    EXPECT_EQ(list.size(), 1u);
    if (list.empty())
        return 0;
    MbimSmsStatusFlag flag;
    guint32 index = 0;
    EXPECT_TRUE(mbim_message_sms_message_store_status_notification_parse(list[0].get(), &flag, &index, nullptr));
    EXPECT_TRUE(flag & MBIM_SMS_STATUS_FLAG_NEW_MESSAGE);
    return index;
}

} // namespace

TEST(SimSms, DemoStorageReadsBackThroughTheCodec)
{
    Host host;
    host.open();
    auto all = read(host, MBIM_SMS_FLAG_ALL);
    ASSERT_EQ(all.size(), 4u); // a welcome, a two-part message, a UCS2 message
    EXPECT_EQ(all[0].status, uint32_t(MBIM_SMS_STATUS_OLD));
    PDU first = decoded(all[1].pdu), second = decoded(all[2].pdu);
    EXPECT_TRUE(first.Multipart);
    EXPECT_EQ(first.PartsTotal, 2u);
    EXPECT_EQ(second.PartNumber, 2u);
    EXPECT_EQ(first.Reference, second.Reference);
    EXPECT_EQ(first.Number, "15550100555");
    EXPECT_TRUE(first.International);
    EXPECT_NE(first.Smsc.find("15550109999"), std::string::npos);
    EXPECT_NE((first.Text + second.Text).find(u"Call me if anything is unclear."), std::u16string::npos);
    PDU cyrillic = decoded(all[3].pdu);
    EXPECT_EQ(cyrillic.Alphabet, AlphabetUcs2);
    EXPECT_EQ(cyrillic.Text, u"Привет! Как дела? Увидимся завтра.");
    // Reading marked the new ones as read.
    EXPECT_TRUE(read(host, MBIM_SMS_FLAG_NEW).empty());
    EXPECT_EQ(read(host, MBIM_SMS_FLAG_OLD).size(), 4u);
}

TEST(SimSms, SendWithReportRequestGivesStatusReport)
{
    Host host;
    host.open();
    auto done = submit(host, encode("+15550100201", u"Report please", true));
    guint32 reference = 0;
    ASSERT_TRUE(mbim_message_sms_send_response_parse(done.get(), &reference, nullptr));
    EXPECT_GT(reference, 0u);
    host.advance(1400);
    EXPECT_TRUE(host.indications.empty());
    host.advance(100);
    guint32 index = storeStatusIndex(host);
    auto stored = read(host, MBIM_SMS_FLAG_INDEX, index);
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0].status, uint32_t(MBIM_SMS_STATUS_NEW));
    PDU report(stored[0].pdu);
    ASSERT_TRUE(report.Decode()) << report.Error;
    EXPECT_TRUE(report.StatusReport);
    EXPECT_EQ(report.MessageId, reference); // the codec keeps a report's TP-MR here
    EXPECT_EQ(report.Number, "15550100201");
    // The next send gets the next reference.
    guint32 next = 0;
    ASSERT_TRUE(
        mbim_message_sms_send_response_parse(submit(host, encode("+15550100201", u"x", false)).get(), &next, nullptr));
    EXPECT_EQ(next, reference + 1);
}

TEST(SimSms, MultipartToOwnNumberComesBackIntact)
{
    sim::ModemConfig config = Host::testConfig();
    config.demoContents = false;
    Host host(config);
    host.open();
    const std::u16string one = u"Part one of a message to myself, ", two = u"and part two { with an escape }.";
    for (unsigned part : {1u, 2u})
        EXPECT_EQ(Host::status(submit(host, encode("+15550100123", part == 1 ? one : two, false, part, 2))),
                  MBIM_STATUS_ERROR_NONE);
    host.advance(800);
    EXPECT_EQ(host.take(MBIM_SERVICE_SMS, MBIM_CID_SMS_MESSAGE_STORE_STATUS).size(), 2u);
    auto fresh = read(host, MBIM_SMS_FLAG_NEW);
    ASSERT_EQ(fresh.size(), 2u);
    std::u16string joined;
    for (const auto& r : fresh) {
        PDU pdu = decoded(r.pdu);
        EXPECT_EQ(pdu.Number, "15550100123");
        EXPECT_EQ(pdu.Reference, 42u);
        EXPECT_EQ(pdu.PartsTotal, 2u);
        joined += pdu.Text;
    }
    EXPECT_EQ(joined, one + two);
}

TEST(SimSms, FlashToOwnNumberIsIndicatedNotStored)
{
    Host host;
    host.open();
    size_t before = host.core.sim().sms.size();
    submit(host, encode("15550100123", u"Flash!", false, 0, 0, true));
    host.advance(800);
    auto list = host.take(MBIM_SERVICE_SMS, MBIM_CID_SMS_READ);
    ASSERT_EQ(list.size(), 1u);
    auto r = records(list[0], true);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].index, 0u);
    PDU pdu = decoded(r[0].pdu);
    EXPECT_TRUE(pdu.Flash);
    EXPECT_EQ(pdu.Text, u"Flash!");
    EXPECT_EQ(host.core.sim().sms.size(), before);
}

TEST(SimSms, DeliveredPartsInChosenOrder)
{
    Host host;
    host.open();
    sim::DeliverRequest request{"+15550100300", std::u16string(400, u'a'), false, false, {3, 1, 2}};
    EXPECT_EQ(host.core.deliverSms(request), 3u);
    host.advance(0);
    auto indications = host.take(MBIM_SERVICE_SMS, MBIM_CID_SMS_MESSAGE_STORE_STATUS);
    ASSERT_EQ(indications.size(), 3u);
    std::vector<unsigned> parts;
    for (auto& m : indications) {
        guint32 index = 0;
        ASSERT_TRUE(mbim_message_sms_message_store_status_notification_parse(m.get(), nullptr, &index, nullptr));
        parts.push_back(
            decoded(host.core.sim().sms.at(index).pdu.empty() ? "" : sim::pdu::hex(host.core.sim().sms.at(index).pdu))
                .PartNumber);
    }
    EXPECT_EQ(parts, (std::vector<unsigned>{3, 1, 2}));
}

TEST(SimSms, DeleteByIndexAndByStatus)
{
    Host host;
    host.open();
    EXPECT_EQ(Host::status(host.command(mbim_message_sms_delete_set_new(MBIM_SMS_FLAG_INDEX, 1, nullptr))),
              MBIM_STATUS_ERROR_NONE);
    EXPECT_EQ(Host::status(host.command(mbim_message_sms_delete_set_new(MBIM_SMS_FLAG_INDEX, 1, nullptr))),
              MBIM_STATUS_ERROR_INVALID_MEMORY_INDEX);
    EXPECT_EQ(Host::status(
                  host.command(mbim_message_sms_read_query_new(MBIM_SMS_FORMAT_PDU, MBIM_SMS_FLAG_INDEX, 1, nullptr))),
              MBIM_STATUS_ERROR_INVALID_MEMORY_INDEX);
    EXPECT_EQ(read(host, MBIM_SMS_FLAG_ALL).size(), 3u); // all three are now read
    EXPECT_EQ(Host::status(host.command(mbim_message_sms_delete_set_new(MBIM_SMS_FLAG_OLD, 0, nullptr))),
              MBIM_STATUS_ERROR_NONE);
    EXPECT_TRUE(read(host, MBIM_SMS_FLAG_ALL).empty());
}

struct SendFault
{
    const char* name;
    bool radioOff;
    uint32_t failWith; // 0: none
    bool drop;
    MbimStatusError status;
    bool completes;
};

class SimSendFault : public testing::TestWithParam<SendFault>
{ };

TEST_P(SimSendFault, Outcome)
{
    const auto& c = GetParam();
    Host host;
    host.open();
    if (c.radioOff)
        host.core.setRadio(false);
    if (c.failWith)
        host.core.failNextSend(c.failWith);
    if (c.drop)
        host.core.dropNextSendCompletion();
    host.advance(0);
    auto done = submit(host, encode("+15550100123", u"to me", false));
    EXPECT_EQ(bool(done), c.completes);
    if (done) {
        EXPECT_EQ(Host::status(done), c.status);
    }
    host.advance(1000);
    // A message that reached the network loops back even when its completion was lost.
    bool sent = c.status == MBIM_STATUS_ERROR_NONE;
    EXPECT_EQ(host.take(MBIM_SERVICE_SMS, MBIM_CID_SMS_MESSAGE_STORE_STATUS).size(), sent ? 1u : 0u);
    // The fault is used up: the next send goes through.
    if (!c.radioOff) {
        EXPECT_EQ(Host::status(submit(host, encode("+15550100201", u"again", false))), MBIM_STATUS_ERROR_NONE);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SimSendFault,
                         testing::Values(SendFault{"Normal", false, 0, false, MBIM_STATUS_ERROR_NONE, true},
                                         SendFault{"RadioOff", true, 0, false, MBIM_STATUS_ERROR_RADIO_POWER_OFF, true},
                                         SendFault{"Failed", false, 101, false, MBIM_STATUS_ERROR_SMS_NETWORK_TIMEOUT,
                                                   true},
                                         SendFault{"CompletionLost", false, 0, true, MBIM_STATUS_ERROR_NONE, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimSms, MalformedSubmitIsRefused)
{
    Host host;
    host.open();
    for (const char* pdu : {"", "00", "0011", "0001000B915155010021F30000FF05C8329BFD06", "000100"})
        EXPECT_EQ(Host::status(submit(host, pdu)), MBIM_STATUS_ERROR_INVALID_PARAMETERS) << pdu;
}

TEST(SimSms, ConfigurationSetChangesServiceCentre)
{
    Host host;
    host.open();
    auto done = host.command(mbim_message_sms_configuration_set_new(MBIM_SMS_FORMAT_PDU, "+15550108888", nullptr));
    gchar* address = nullptr;
    guint32 max = 0;
    MbimSmsStorageState state;
    ASSERT_TRUE(
        mbim_message_sms_configuration_response_parse(done.get(), &state, nullptr, &max, nullptr, &address, nullptr));
    EXPECT_EQ(state, MBIM_SMS_STORAGE_STATE_INITIALIZED);
    EXPECT_EQ(max, 30u);
    EXPECT_STREQ(address, "+15550108888");
    g_free(address);
}

TEST(SimSms, FullStorageLosesTheMessage)
{
    sim::ModemConfig config = Host::testConfig();
    config.demoContents = false;
    Host host(config);
    host.open();
    for (int i = 0; i < 30; ++i)
        ASSERT_EQ(host.core.deliverSms({"+15550100300", u"fill", false, false, {}}), 1u);
    host.advance(0);
    host.indications.clear();
    EXPECT_EQ(host.core.deliverSms({"+15550100300", u"lost", false, false, {}}), 0u);
    host.advance(0);
    auto list = host.take(MBIM_SERVICE_SMS, MBIM_CID_SMS_MESSAGE_STORE_STATUS);
    ASSERT_EQ(list.size(), 1u);
    MbimSmsStatusFlag flag;
    ASSERT_TRUE(mbim_message_sms_message_store_status_notification_parse(list[0].get(), &flag, nullptr, nullptr));
    EXPECT_EQ(flag, MBIM_SMS_STATUS_FLAG_MESSAGE_STORE_FULL);
}

// USSD ------------------------------------------------------------------------------

namespace {

struct UssdResult
{
    MbimUssdResponse response;
    MbimUssdSessionState session;
    guint32 dcs;
    std::u16string text;
};

UssdResult ussdResult(const Message& done)
{
    UssdResult r{};
    guint32 size = 0;
    const guint8* payload = nullptr;
    EXPECT_TRUE(
        mbim_message_ussd_response_parse(done.get(), &r.response, &r.session, &r.dcs, &size, &payload, nullptr));
    std::span<const uint8_t> bytes(payload, size);
    r.text = r.dcs == 0x48 ? sim::gsm::fromUcs2(bytes) : sim::gsm::fromSeptets(sim::gsm::unpackUssd(bytes));
    return r;
}

Message ussd(Host& host, MbimUssdAction action, const std::u16string& text)
{
    sim::Bytes payload = sim::gsm::packUssd(*sim::gsm::toSeptets(text));
    return host.command(mbim_message_ussd_set_new(action, 0x0F, guint32(payload.size()), payload.data(), nullptr));
}

} // namespace

TEST(SimUssd, MenuDialogueInTwoSteps)
{
    Host host;
    host.open();
    auto menu = ussdResult(ussd(host, MBIM_USSD_ACTION_INITIATE, u"*101#"));
    EXPECT_EQ(menu.response, MBIM_USSD_RESPONSE_ACTION_REQUIRED);
    EXPECT_EQ(menu.session, MBIM_USSD_SESSION_STATE_NEW_SESSION);
    EXPECT_EQ(menu.dcs, 0x0Fu);
    EXPECT_NE(menu.text.find(u"2 Tariff"), std::u16string::npos);
    auto wrong = ussdResult(ussd(host, MBIM_USSD_ACTION_CONTINUE, u"7"));
    EXPECT_EQ(wrong.response, MBIM_USSD_RESPONSE_ACTION_REQUIRED);
    auto answer = ussdResult(ussd(host, MBIM_USSD_ACTION_CONTINUE, u"2"));
    EXPECT_EQ(answer.response, MBIM_USSD_RESPONSE_NO_ACTION_REQUIRED);
    EXPECT_EQ(answer.session, MBIM_USSD_SESSION_STATE_EXISTING_SESSION);
    EXPECT_EQ(answer.text, u"Tariff: Simnet Basic, 0.09 EUR per SMS.");
    // The dialogue is over: a further answer finds no session.
    EXPECT_EQ(ussdResult(ussd(host, MBIM_USSD_ACTION_CONTINUE, u"1")).response,
              MBIM_USSD_RESPONSE_TERMINATED_BY_NETWORK);
}

// Two clients share the modem: while one's menu waits for its user, a new request of another
// is refused and leaves that menu alone; an answer or a cancel still reaches it.
TEST(SimUssd, ANewRequestWhileAMenuWaitsIsRefusedAsBusy)
{
    struct Step
    {
        MbimUssdAction action;
        const char16_t* text;
        MbimStatusError status;
        MbimUssdResponse response = {};  // when accepted
        const char16_t* reply = nullptr; // when checked
    };
    const Step steps[] = {
        {MBIM_USSD_ACTION_INITIATE, u"*101#", MBIM_STATUS_ERROR_NONE, MBIM_USSD_RESPONSE_ACTION_REQUIRED},
        {MBIM_USSD_ACTION_INITIATE, u"*100#", MBIM_STATUS_ERROR_BUSY},
        {MBIM_USSD_ACTION_CONTINUE, u"7", MBIM_STATUS_ERROR_NONE, MBIM_USSD_RESPONSE_ACTION_REQUIRED},
        {MBIM_USSD_ACTION_INITIATE, u"*101#", MBIM_STATUS_ERROR_BUSY},
        {MBIM_USSD_ACTION_CONTINUE, u"2", MBIM_STATUS_ERROR_NONE, MBIM_USSD_RESPONSE_NO_ACTION_REQUIRED,
         u"Tariff: Simnet Basic, 0.09 EUR per SMS."},
        {MBIM_USSD_ACTION_INITIATE, u"*100#", MBIM_STATUS_ERROR_NONE, MBIM_USSD_RESPONSE_NO_ACTION_REQUIRED},
        {MBIM_USSD_ACTION_INITIATE, u"*101#", MBIM_STATUS_ERROR_NONE, MBIM_USSD_RESPONSE_ACTION_REQUIRED},
        {MBIM_USSD_ACTION_CANCEL, u"", MBIM_STATUS_ERROR_NONE, MBIM_USSD_RESPONSE_TERMINATED_BY_NETWORK},
        {MBIM_USSD_ACTION_INITIATE, u"*100#", MBIM_STATUS_ERROR_NONE, MBIM_USSD_RESPONSE_NO_ACTION_REQUIRED,
         u"Balance: 12.50 EUR. Valid until 31.12."},
    };
    Host host;
    host.open();
    int n = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++n);
        auto done = ussd(host, step.action, step.text);
        ASSERT_EQ(Host::status(done), step.status);
        if (step.status != MBIM_STATUS_ERROR_NONE)
            continue;
        auto result = ussdResult(done);
        EXPECT_EQ(result.response, step.response);
        if (step.reply) {
            EXPECT_EQ(result.text, step.reply);
        }
    }
}

struct UssdCase
{
    const char* name;
    const char16_t* code;
    MbimUssdResponse response;
    guint32 dcs;
    const char16_t* text;
};

class SimUssdCode : public testing::TestWithParam<UssdCase>
{ };

TEST_P(SimUssdCode, Reply)
{
    Host host;
    host.open();
    auto r = ussdResult(ussd(host, MBIM_USSD_ACTION_INITIATE, GetParam().code));
    EXPECT_EQ(r.response, GetParam().response);
    EXPECT_EQ(r.dcs, GetParam().dcs);
    EXPECT_EQ(r.text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Cases, SimUssdCode,
                         testing::Values(UssdCase{"Balance", u"*100#", MBIM_USSD_RESPONSE_NO_ACTION_REQUIRED, 0x0F,
                                                  u"Balance: 12.50 EUR. Valid until 31.12."},
                                         UssdCase{"Ucs2", u"*102#", MBIM_USSD_RESPONSE_NO_ACTION_REQUIRED, 0x48,
                                                  u"Ваш баланс: 150,00 руб. Спасибо!"},
                                         UssdCase{"Unknown", u"*555#", MBIM_USSD_RESPONSE_OPERATION_NOT_SUPPORTED, 0x0F,
                                                  u""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimUssd, SilentCodeBlocksUntilCancelled)
{
    Host host;
    host.open();
    EXPECT_FALSE(ussd(host, MBIM_USSD_ACTION_INITIATE, u"*109#"));
    EXPECT_TRUE(host.advance(60000).empty());
    EXPECT_EQ(ussdResult(ussd(host, MBIM_USSD_ACTION_INITIATE, u"*100#")).response,
              MBIM_USSD_RESPONSE_OTHER_LOCAL_CLIENT);
    EXPECT_EQ(ussdResult(ussd(host, MBIM_USSD_ACTION_CANCEL, u"")).response, MBIM_USSD_RESPONSE_TERMINATED_BY_NETWORK);
    EXPECT_EQ(ussdResult(ussd(host, MBIM_USSD_ACTION_INITIATE, u"*100#")).response,
              MBIM_USSD_RESPONSE_NO_ACTION_REQUIRED);
}

TEST(SimUssd, NetworkTimeoutComesLate)
{
    Host host;
    host.open();
    EXPECT_FALSE(ussd(host, MBIM_USSD_ACTION_INITIATE, u"*104#"));
    EXPECT_TRUE(host.advance(1999).empty());
    auto out = host.advance(1);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(ussdResult(out[0]).response, MBIM_USSD_RESPONSE_NETWORK_TIMEOUT);
}

// Phonebook -------------------------------------------------------------------------

namespace {

std::vector<std::tuple<guint32, std::string, std::string>> phonebook(Host& host, MbimPhonebookFlag flag,
                                                                     guint32 index = 0)
{
    auto done = host.command(mbim_message_phonebook_read_query_new(flag, index, nullptr));
    std::vector<std::tuple<guint32, std::string, std::string>> out;
    if (Host::status(done) != MBIM_STATUS_ERROR_NONE)
        return out;
    guint32 count = 0;
    MbimPhonebookEntry** entries = nullptr;
    EXPECT_TRUE(mbim_message_phonebook_read_response_parse(done.get(), &count, &entries, nullptr));
    for (guint32 i = 0; i < count; ++i)
        out.emplace_back(entries[i]->entry_index, entries[i]->name, entries[i]->number);
    mbim_phonebook_entry_array_free(entries);
    return out;
}

} // namespace

TEST(SimPhonebook, WriteReadDelete)
{
    Host host;
    host.open();
    auto done = host.command(mbim_message_phonebook_configuration_query_new(nullptr));
    MbimPhonebookState state;
    guint32 total, used, maxNumber, maxName;
    ASSERT_TRUE(mbim_message_phonebook_configuration_response_parse(done.get(), &state, &total, &used, &maxNumber,
                                                                    &maxName, nullptr));
    EXPECT_EQ(state, MBIM_PHONEBOOK_STATE_INITIALIZED);
    EXPECT_EQ(used, 5u);
    EXPECT_EQ(Host::status(host.command(mbim_message_phonebook_write_set_new(MBIM_PHONEBOOK_WRITE_FLAG_SAVE_UNUSED, 0,
                                                                             "+15550100999", "Мила", nullptr))),
              MBIM_STATUS_ERROR_NONE);
    auto entry = phonebook(host, MBIM_PHONEBOOK_FLAG_INDEX, 6);
    ASSERT_EQ(entry.size(), 1u);
    EXPECT_EQ(std::get<1>(entry[0]), "Мила");
    EXPECT_EQ(std::get<2>(entry[0]), "+15550100999");
    // Update in place.
    host.command(
        mbim_message_phonebook_write_set_new(MBIM_PHONEBOOK_WRITE_FLAG_SAVE_INDEX, 6, "121", "Mailbox", nullptr));
    EXPECT_EQ(std::get<1>(phonebook(host, MBIM_PHONEBOOK_FLAG_INDEX, 6).at(0)), "Mailbox");
    EXPECT_EQ(phonebook(host, MBIM_PHONEBOOK_FLAG_ALL).size(), 6u);
    EXPECT_EQ(Host::status(host.command(mbim_message_phonebook_delete_set_new(MBIM_PHONEBOOK_FLAG_INDEX, 6, nullptr))),
              MBIM_STATUS_ERROR_NONE);
    EXPECT_TRUE(phonebook(host, MBIM_PHONEBOOK_FLAG_INDEX, 6).empty());
    EXPECT_EQ(Host::status(host.command(mbim_message_phonebook_delete_set_new(MBIM_PHONEBOOK_FLAG_ALL, 0, nullptr))),
              MBIM_STATUS_ERROR_NONE);
    EXPECT_TRUE(phonebook(host, MBIM_PHONEBOOK_FLAG_ALL).empty());
}

struct WriteCase
{
    const char* name;
    MbimPhonebookWriteFlag flag;
    guint32 index;
    const char* number;
    const char* contact;
    MbimStatusError status;
};

class SimPhonebookWrite : public testing::TestWithParam<WriteCase>
{ };

TEST_P(SimPhonebookWrite, Limits)
{
    const auto& c = GetParam();
    Host host;
    host.open();
    EXPECT_EQ(
        Host::status(host.command(mbim_message_phonebook_write_set_new(c.flag, c.index, c.number, c.contact, nullptr))),
        c.status);
}

INSTANTIATE_TEST_SUITE_P(Cases, SimPhonebookWrite,
                         testing::Values(WriteCase{"LongestName", MBIM_PHONEBOOK_WRITE_FLAG_SAVE_UNUSED, 0, "1",
                                                   "Fourteen chars", MBIM_STATUS_ERROR_NONE},
                                         WriteCase{"NameTooLong", MBIM_PHONEBOOK_WRITE_FLAG_SAVE_UNUSED, 0, "1",
                                                   "Fifteen chars!!", MBIM_STATUS_ERROR_PARAMETER_TOO_LONG},
                                         WriteCase{"Ucs2NameTooLong", MBIM_PHONEBOOK_WRITE_FLAG_SAVE_UNUSED, 0, "1",
                                                   "Александр", MBIM_STATUS_ERROR_PARAMETER_TOO_LONG},
                                         WriteCase{"LongestNumber", MBIM_PHONEBOOK_WRITE_FLAG_SAVE_UNUSED, 0,
                                                   "+12345678901234567890", "A", MBIM_STATUS_ERROR_NONE},
                                         WriteCase{"NumberTooLong", MBIM_PHONEBOOK_WRITE_FLAG_SAVE_UNUSED, 0,
                                                   "123456789012345678901", "A", MBIM_STATUS_ERROR_PARAMETER_TOO_LONG},
                                         WriteCase{"NumberNotDialable", MBIM_PHONEBOOK_WRITE_FLAG_SAVE_UNUSED, 0,
                                                   "12-34", "A", MBIM_STATUS_ERROR_INVALID_PARAMETERS},
                                         WriteCase{"NumberEmpty", MBIM_PHONEBOOK_WRITE_FLAG_SAVE_UNUSED, 0, "", "A",
                                                   MBIM_STATUS_ERROR_INVALID_PARAMETERS},
                                         WriteCase{"IndexBeyondCapacity", MBIM_PHONEBOOK_WRITE_FLAG_SAVE_INDEX, 51, "1",
                                                   "A", MBIM_STATUS_ERROR_INVALID_MEMORY_INDEX},
                                         WriteCase{"IndexZero", MBIM_PHONEBOOK_WRITE_FLAG_SAVE_INDEX, 0, "1", "A",
                                                   MBIM_STATUS_ERROR_INVALID_MEMORY_INDEX}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SimPhonebook, FullPhonebook)
{
    Host host;
    host.open();
    for (uint32_t i = 1; i <= 50; ++i)
        host.core.sim().phonebook[i] = {u"x", "1"};
    EXPECT_EQ(Host::status(host.command(
                  mbim_message_phonebook_write_set_new(MBIM_PHONEBOOK_WRITE_FLAG_SAVE_UNUSED, 0, "1", "y", nullptr))),
              MBIM_STATUS_ERROR_MEMORY_FULL);
}

TEST(SimPhonebook, UnpaddedWriteLayoutIsAccepted)
{
    // Name offset right after the number, not rounded up to four bytes.
    Host host;
    host.open();
    sim::Bytes info;
    for (uint32_t v : {0u, 0u, 24u, 6u, 30u, 8u})
        sim::putU32(info, v);
    for (char c : std::string("123Test")) {
        info.push_back(uint8_t(c));
        info.push_back(0);
    }
    info.resize(24 + 6 + 8);
    sim::Bytes b;
    sim::putU32(b, 3);
    sim::putU32(b, uint32_t(48 + info.size()));
    sim::putU32(b, ++host.tid);
    sim::putU32(b, 1);
    sim::putU32(b, 0);
    b.insert(b.end(), sim::mbim::Phonebook.begin(), sim::mbim::Phonebook.end());
    sim::putU32(b, 4);
    sim::putU32(b, 1);
    sim::putU32(b, uint32_t(info.size()));
    b.insert(b.end(), info.begin(), info.end());
    auto out = host.raw(b);
    EXPECT_EQ(Host::status(host.pick(out)), MBIM_STATUS_ERROR_NONE);
    auto entry = phonebook(host, MBIM_PHONEBOOK_FLAG_INDEX, 6);
    ASSERT_EQ(entry.size(), 1u);
    EXPECT_EQ(std::get<1>(entry[0]), "Test");
    EXPECT_EQ(std::get<2>(entry[0]), "123");
}
