// A host for tests: talks to a ModemCore in memory through libmbim's own message
// builders and parsers, so that every answer is checked by a client we did not write.
#pragma once

#include "sim/ModemCore.h"

#include <libmbim-glib.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace simtest {

struct Unref
{
    void operator()(MbimMessage* m) const { mbim_message_unref(m); }
};
using Message = std::unique_ptr<MbimMessage, Unref>;

struct ErrorFree
{
    void operator()(GError* e) const { g_error_free(e); }
};

// Splits the device's byte stream into messages and joins fragmented ones.
inline std::vector<Message> parseStream(const sim::Bytes& stream)
{
    std::vector<Message> out;
    sim::Bytes joining;
    uint32_t expectedFragments = 0, nextFragment = 0;
    size_t pos = 0;
    while (stream.size() - pos >= 12) {
        uint32_t type = sim::getU32(&stream[pos]);
        uint32_t length = sim::getU32(&stream[pos + 4]);
        EXPECT_GE(length, 12u);
        EXPECT_LE(pos + length, stream.size()) << "truncated message in stream";
        if (length < 12 || pos + length > stream.size())
            break;
        sim::Bytes message(stream.begin() + pos, stream.begin() + pos + length);
        pos += length;
        bool fragmented = type == MBIM_MESSAGE_TYPE_COMMAND_DONE || type == MBIM_MESSAGE_TYPE_INDICATE_STATUS;
        if (!fragmented) {
            out.emplace_back(mbim_message_new(message.data(), uint32_t(message.size())));
            continue;
        }
        uint32_t total = sim::getU32(&message[12]), current = sim::getU32(&message[16]);
        EXPECT_LT(current, total);
        if (current == 0) {
            joining = message;
            expectedFragments = total;
            nextFragment = 1;
        } else {
            EXPECT_EQ(current, nextFragment) << "fragment out of sequence";
            joining.insert(joining.end(), message.begin() + 20, message.end());
            ++nextFragment;
        }
        if (nextFragment == expectedFragments) {
            uint32_t joined = uint32_t(joining.size());
            for (int i = 0; i < 4; ++i)
                joining[4 + i] = uint8_t(joined >> (8 * i));
            joining[12] = 1; // one fragment of one
            joining[13] = joining[14] = joining[15] = 0;
            out.emplace_back(mbim_message_new(joining.data(), joined));
        }
    }
    EXPECT_EQ(pos, stream.size()) << "trailing bytes in stream";
    return out;
}

class Host
{
public:
    explicit Host(const sim::ModemConfig& config = testConfig()) : core(config)
    {
        core.wallClock = [] { return std::time_t(1700000000); };
    }

    static sim::ModemConfig testConfig()
    {
        sim::ModemConfig c;
        c.statusReportDelayMs = 1500;
        c.loopbackDelayMs = 800;
        c.scanDelayMs = 3000;
        return c;
    }

    // Raw bytes in, every message out.
    std::vector<Message> raw(const sim::Bytes& bytes)
    {
        core.receive(bytes);
        return drain();
    }

    std::vector<Message> drain()
    {
        sim::Bytes stream;
        for (auto& f : core.takeOutput()) {
            lastFragments.push_back(f.size());
            stream.insert(stream.end(), f.begin(), f.end());
        }
        return parseStream(stream);
    }

    std::vector<Message> send(MbimMessage* request)
    {
        Message owned(request);
        mbim_message_set_transaction_id(request, ++tid);
        guint32 length = 0;
        const guint8* data = mbim_message_get_raw(request, &length, nullptr);
        return raw(sim::Bytes(data, data + length));
    }

    void open(uint32_t maxTransfer = 4096)
    {
        auto out = send(mbim_message_open_new(0, maxTransfer));
        ASSERT_EQ(out.size(), 1u);
        ASSERT_EQ(mbim_message_get_message_type(out[0].get()), MBIM_MESSAGE_TYPE_OPEN_DONE);
    }

    // Sends a command and returns its COMMAND_DONE (null when none came); indications
    // that came along are kept in `indications`.
    Message command(MbimMessage* request)
    {
        auto out = send(request);
        return pick(out);
    }

    Message pick(std::vector<Message>& out)
    {
        Message done;
        for (auto& m : out) {
            if (mbim_message_get_message_type(m.get()) == MBIM_MESSAGE_TYPE_INDICATE_STATUS) {
                indications.push_back(std::move(m));
            } else if (mbim_message_get_message_type(m.get()) == MBIM_MESSAGE_TYPE_COMMAND_DONE) {
                EXPECT_EQ(mbim_message_get_transaction_id(m.get()), tid);
                EXPECT_FALSE(done) << "two replies to one command";
                done = std::move(m);
            } else {
                ADD_FAILURE() << "unexpected message type " << mbim_message_get_message_type(m.get());
            }
        }
        return done;
    }

    // Lets time pass; replies that come due are returned, indications collected.
    std::vector<Message> advance(int64_t ms)
    {
        core.advance(core.now() + ms);
        std::vector<Message> replies;
        for (auto& m : drain()) {
            if (mbim_message_get_message_type(m.get()) == MBIM_MESSAGE_TYPE_INDICATE_STATUS)
                indications.push_back(std::move(m));
            else
                replies.push_back(std::move(m));
        }
        return replies;
    }

    static MbimStatusError status(const Message& done)
    {
        EXPECT_TRUE(done);
        if (!done)
            return MBIM_STATUS_ERROR_FAILURE;
        GError* error = nullptr;
        if (mbim_message_command_done_get_result(done.get(), &error))
            return MBIM_STATUS_ERROR_NONE;
        std::unique_ptr<GError, ErrorFree> owned(error);
        EXPECT_EQ(error->domain, MBIM_STATUS_ERROR);
        return MbimStatusError(error->code);
    }

    // Indications of one service and CID, taken out of the collected ones.
    std::vector<Message> take(MbimService service, uint32_t cid)
    {
        std::vector<Message> out, rest;
        for (auto& m : indications) {
            if (mbim_message_indicate_status_get_service(m.get()) == service &&
                mbim_message_indicate_status_get_cid(m.get()) == cid)
                out.push_back(std::move(m));
            else
                rest.push_back(std::move(m));
        }
        indications = std::move(rest);
        return out;
    }

    sim::ModemCore core;
    uint32_t tid = 0;
    std::vector<Message> indications;
    std::vector<size_t> lastFragments;
};

} // namespace simtest
