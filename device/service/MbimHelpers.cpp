#include "device/service/MbimHelpers.h"

#include "codec/Hex.h"

Q_LOGGING_CATEGORY(lcBroadband, "parlowen.device", QtInfoMsg)

namespace mbimx {

std::string Optional(const gchar* text)
{
    return text ? std::string(text) : std::string();
}

std::optional<std::string> OptionalString(const gchar* text)
{
    if (!text)
        return std::nullopt;
    return std::string(text);
}

std::string Hex(const guint8* data, guint32 size)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(size * 2u);
    for (guint32 i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 0x0F];
    }
    return text;
}

bool ParseHex(const std::string& text, std::vector<guint8>& bytes)
{
    if (text.size() % 2)
        return false;
    bytes.clear();
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int octet = HexOctet(text, i);
        if (octet < 0)
            return false;
        bytes.push_back(static_cast<guint8>(octet));
    }
    return true;
}

HRESULT CommandResult(MbimMessage* response, const GError* transportError)
{
    if (transportError) {
        if (g_error_matches(transportError, G_IO_ERROR, G_IO_ERROR_CANCELLED))
            return Hr::NotReady;
        if (g_error_matches(transportError, MBIM_CORE_ERROR, MBIM_CORE_ERROR_TIMEOUT))
            return Hr::Timeout;
        return Hr::Fail;
    }
    if (!response)
        return Hr::Fail;
    GError* error = nullptr;
    if (mbim_message_response_get_result(response, MBIM_MESSAGE_TYPE_COMMAND_DONE, &error))
        return Hr::Ok;
    HRESULT hr = Hr::Fail;
    if (error->domain == MBIM_STATUS_ERROR)
        hr = HresultFromMbimStatus(static_cast<std::uint32_t>(error->code));
    g_error_free(error);
    return hr;
}

void LogParseError(const char* what, GError* error)
{
    qCWarning(lcBroadband) << "Malformed" << what << "answer skipped:" << (error ? error->message : "");
    if (error)
        g_error_free(error);
}

} // namespace mbimx
