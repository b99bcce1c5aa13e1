// Decode and encode throughput of the PDU codec on an inbox-like corpus, with libgammu's
// GSM_DecodePDUFrame on the same corpus in the same run for comparison.
//
// Usage: parlowen-codec-bench [--seconds S] [--dump]
//   --dump prints the corpus, one PDU per line, and exits.
#include "codec/Gsm.h"
#include "codec/Hex.h"
#include "codec/Pdu.h"
#include "codec/Septets.h"
#include "codec/Splitter.h"

extern "C" {
#include <gammu.h>
}

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// std::mt19937 is specified bit for bit; the distributions are not, so they are not used.
struct Rng
{
    std::mt19937 engine{20240611u};
    unsigned below(unsigned n) { return engine() % n; }
    bool chance(unsigned percent) { return below(100) < percent; }
};

const char* const gsmWords[] = {"ok",
                                "see you at 8",
                                "thanks!",
                                "on my way",
                                "call me",
                                "where are you?",
                                "Meeting moved to 14:30",
                                "Your code is",
                                "Bahnhof",
                                "Zürich",
                                "à plus tard",
                                "€5 (paid)",
                                "[reminder]",
                                "lol",
                                "Dinner tonight?",
                                "Ich komme später",
                                "Happy birthday",
                                "ETA 10 min",
                                "señor",
                                "ΔΣΩ"};
const char16_t* const ucs2Words[] = {u"Привет", u"как дела?", u"спасибо", u"😀",       u"👍",    u"❤️", u"今天",
                                     u"晚上见", u"ok",        u"Ελλάδα",  u"čeština", u"żółć", u"🎉"};

std::u16string utf16(const char* utf8)
{
    std::u16string out;
    for (const auto* p = reinterpret_cast<const unsigned char*>(utf8); *p;) {
        char32_t c;
        if (*p < 0x80) {
            c = *p++;
        } else if ((*p & 0xE0) == 0xC0) {
            c = (p[0] & 0x1F) << 6 | (p[1] & 0x3F);
            p += 2;
        } else if ((*p & 0xF0) == 0xE0) {
            c = (p[0] & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F);
            p += 3;
        } else {
            c = (p[0] & 0x07) << 18 | (p[1] & 0x3F) << 12 | (p[2] & 0x3F) << 6 | (p[3] & 0x3F);
            p += 4;
        }
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

std::u16string gsmText(Rng& rng, size_t minLength)
{
    std::u16string text;
    do {
        if (!text.empty())
            text += u' ';
        text += utf16(gsmWords[rng.below(std::size(gsmWords))]);
    } while (text.size() < minLength);
    return text;
}

std::u16string ucs2Text(Rng& rng, size_t minLength)
{
    std::u16string text;
    do {
        if (!text.empty())
            text += u' ';
        text += ucs2Words[rng.below(std::size(ucs2Words))];
    } while (text.size() < minLength);
    return text;
}

std::string digits(Rng& rng, int n, const char* prefix = "")
{
    std::string s = prefix;
    for (int i = 0; i < n; ++i)
        s.push_back(static_cast<char>('0' + rng.below(10)));
    return s;
}

void appendAddress(std::string& pdu, const std::string& number, bool international)
{
    AppendHexOctet(pdu, static_cast<unsigned>(number.size()));
    pdu += international ? "91" : "81";
    std::string semi = number;
    if (semi.size() % 2)
        semi.push_back('F');
    SwapSemiOctets(semi);
    pdu += semi;
}

void appendSmsc(std::string& pdu, const std::string& smsc)
{
    std::string semi = smsc;
    if (semi.size() % 2)
        semi.push_back('F');
    AppendHexOctet(pdu, static_cast<unsigned>(semi.size() / 2 + 1));
    pdu += "91";
    SwapSemiOctets(semi);
    pdu += semi;
}

void appendTimestamp(std::string& pdu, Rng& rng)
{
    const unsigned fields[] = {20 + rng.below(10), 1 + rng.below(12), 1 + rng.below(28),
                               rng.below(24),      rng.below(60),     rng.below(60)};
    for (unsigned v : fields) {
        pdu.push_back(static_cast<char>('0' + v % 10));
        pdu.push_back(static_cast<char>('0' + v / 10));
    }
    pdu += "40"; // UTC+1
}

// An SMS-DELIVER as a network sends it; header is "" or a concatenation header as text.
std::string deliver(Rng& rng, std::u16string text, const std::string& header)
{
    std::string pdu;
    appendSmsc(pdu, digits(rng, 9, "49"));
    const bool international = rng.chance(80);
    AppendHexOctet(pdu, header.empty() ? 0x04 : 0x44);
    appendAddress(pdu, international ? digits(rng, 10, "49") : digits(rng, 10, "0"), international);
    pdu += "00";
    const bool gsm = ChooseAlphabet(text) == AlphabetGsm;
    if (!gsm) // one accent outside GSM turns a text into UCS2, which holds fewer characters
        text.resize(std::min(text.size(), header.empty() ? Ucs2SingleUnits : Ucs2PartUnits));
    pdu += gsm ? "00" : "08";
    appendTimestamp(pdu, rng);
    uint8_t codes[GsmBufferSize];
    if (gsm) {
        std::string userData;
        const int udl = PackSeptets(codes, TextToGsm(text, codes), header, userData);
        AppendHexOctet(pdu, static_cast<unsigned>(udl));
        pdu += userData;
    } else {
        const size_t octets = TextToUcs2(text, codes);
        std::string head;
        for (char c : header)
            if (c != ' ')
                head.push_back(c);
        AppendHexOctet(pdu, static_cast<unsigned>(octets + head.size() / 2));
        pdu += head;
        pdu += OctetsToHex(codes, octets);
    }
    return pdu;
}

std::string statusReport(Rng& rng)
{
    std::string pdu;
    appendSmsc(pdu, digits(rng, 9, "49"));
    pdu += "06";
    AppendHexOctet(pdu, rng.below(256));
    appendAddress(pdu, digits(rng, 10, "49"), true);
    appendTimestamp(pdu, rng);
    appendTimestamp(pdu, rng);
    pdu += rng.chance(90) ? "00" : "46";
    return pdu;
}

struct Corpus
{
    std::vector<std::string> pdus;
    std::vector<MessageToEncode> outgoing;
};

// Mostly short GSM, some UCS2, multipart parts, a few sent messages and status reports.
Corpus makeCorpus()
{
    Rng rng;
    Corpus corpus;
    while (corpus.pdus.size() < 2000) {
        const unsigned kind = rng.below(100);
        if (kind < 70) {
            corpus.pdus.push_back(deliver(rng, gsmText(rng, 5 + rng.below(80)).substr(0, 160), ""));
        } else if (kind < 84) {
            corpus.pdus.push_back(deliver(rng, ucs2Text(rng, 3 + rng.below(40)).substr(0, 70), ""));
        } else if (kind < 90) {
            const bool gsm = rng.chance(70);
            const unsigned total = 2 + rng.below(3);
            const unsigned reference = 1 + rng.below(254);
            for (unsigned part = 1; part <= total; ++part) {
                char header[32];
                std::snprintf(header, sizeof header, "05 00 03 %02X %02X %02X", reference, total, part);
                const std::u16string text = gsm ? gsmText(rng, 140).substr(0, 140) : ucs2Text(rng, 60).substr(0, 60);
                corpus.pdus.push_back(deliver(rng, text, header));
            }
        } else if (kind < 96) {
            MessageToEncode m;
            m.number = digits(rng, 10, "+49");
            m.text = rng.chance(75) ? gsmText(rng, 10 + rng.below(300)) : ucs2Text(rng, 5 + rng.below(100));
            m.reference = 1 + rng.below(254);
            for (EncodedPart& part : EncodeMessage(m).parts)
                corpus.pdus.push_back(std::move(part.pdu));
        } else {
            corpus.pdus.push_back(statusReport(rng));
        }
    }
    // What the send pipeline encodes: the same kind of texts people type.
    for (int i = 0; i < 500; ++i) {
        MessageToEncode m;
        m.number = rng.chance(80) ? digits(rng, 10, "+49") : digits(rng, 10, "0");
        if (rng.chance(30))
            m.smsc = digits(rng, 9, "+49");
        m.text = rng.chance(80) ? gsmText(rng, 5 + rng.below(rng.chance(15) ? 400 : 100))
                                : ucs2Text(rng, 3 + rng.below(rng.chance(15) ? 150 : 40));
        m.reference = 1 + rng.below(254);
        corpus.outgoing.push_back(std::move(m));
    }
    return corpus;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

using Clock = std::chrono::steady_clock;

// Runs pass() over the corpus until `seconds` have gone by and returns items per second.
template <typename Pass> double itemsPerSecond(size_t items, double seconds, Pass pass)
{
    size_t done = 0;
    const auto start = Clock::now();
    double elapsed = 0;
    do {
        pass();
        done += items;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < seconds);
    return static_cast<double>(done) / elapsed;
}

volatile size_t sink;

} // namespace

int main(int argc, char** argv)
{
    double seconds = 3;
    bool dump = false;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--seconds") && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--dump"))
            dump = true;
        else {
            std::fprintf(stderr, "usage: %s [--seconds S] [--dump]\n", argv[0]);
            return 2;
        }
    }

    const Corpus corpus = makeCorpus();
    if (dump) {
        for (const std::string& pdu : corpus.pdus)
            std::printf("%s\n", pdu.c_str());
        return 0;
    }

    GSM_Debug_Info* debug = GSM_GetGlobalDebug();
    auto* sms = new GSM_SMSMessage;
    std::vector<unsigned char> binary(512);

    auto gammuDecode = [&](const std::string& hex) {
        const size_t n = hex.size() / 2;
        for (size_t i = 0; i < n; ++i)
            binary[i] = static_cast<unsigned char>(hexValue(hex[2 * i]) << 4 | hexValue(hex[2 * i + 1]));
        size_t end = 0;
        return GSM_DecodePDUFrame(debug, sms, binary.data(), n, &end, TRUE) == ERR_NONE;
    };

    // Both sides must read the whole corpus, or the figures compare different work.
    size_t oursFailed = 0, gammuFailed = 0, gsm = 0, ucs2 = 0, parts = 0, reports = 0;
    for (const std::string& hex : corpus.pdus) {
        PDU pdu{std::string_view(hex)};
        if (!pdu.Decode())
            ++oursFailed;
        if (!gammuDecode(hex))
            ++gammuFailed;
        reports += pdu.StatusReport;
        parts += pdu.Multipart;
        (pdu.Alphabet == AlphabetUcs2 ? ucs2 : gsm) += !pdu.StatusReport;
    }
    std::printf("corpus: %zu PDUs (%zu GSM, %zu UCS2, %zu of them multipart parts, %zu status reports); "
                "%zu messages to encode\n",
                corpus.pdus.size(), gsm, ucs2, parts, reports, corpus.outgoing.size());
    if (oursFailed || gammuFailed) {
        std::fprintf(stderr, "corpus does not decode: ours failed %zu, gammu failed %zu\n", oursFailed, gammuFailed);
        return 1;
    }

    // Rounds alternate between the two and the best of each is kept, so that a neighbour's
    // build on a shared machine does not count against one side only.
    double ours = 0, theirs = 0;
    for (int round = 0; round < 5; ++round) {
        ours = std::max(ours, itemsPerSecond(corpus.pdus.size(), seconds / 5, [&] {
                            size_t total = 0;
                            for (const std::string& hex : corpus.pdus) {
                                PDU pdu{std::string_view(hex)};
                                pdu.Decode();
                                total += pdu.Text.size();
                            }
                            sink = total;
                        }));
        theirs = std::max(theirs, itemsPerSecond(corpus.pdus.size(), seconds / 5, [&] {
                              size_t total = 0;
                              for (const std::string& hex : corpus.pdus) {
                                  gammuDecode(hex);
                                  total += sms->Length;
                              }
                              sink = total;
                          }));
    }
    size_t encodedParts = 0;
    for (const MessageToEncode& m : corpus.outgoing)
        encodedParts += EncodeMessage(m).parts.size();
    const double encodes = itemsPerSecond(corpus.outgoing.size(), seconds, [&] {
        size_t total = 0;
        for (const MessageToEncode& m : corpus.outgoing)
            total += EncodeMessage(m).parts.size();
        sink = total;
    });

    std::printf("decode, ours (hex in):                 %12.0f PDUs/s\n", ours);
    std::printf("decode, gammu (hex to binary counted): %12.0f PDUs/s\n", theirs);
    std::printf("ratio ours/gammu: %.2f (target at least 3.00) %s\n", ours / theirs,
                ours >= 3 * theirs ? "MET" : "BELOW TARGET");
    std::printf("encode, ours: %.0f messages/s = %.0f PDUs/s\n", encodes,
                encodes * static_cast<double>(encodedParts) / static_cast<double>(corpus.outgoing.size()));
    delete sms;
    return 0;
}
