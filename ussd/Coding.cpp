#include "ussd/Coding.h"

#include "codec/Septets.h"

#include <string>

namespace ussd {

namespace {

struct CodeText
{
    std::uint32_t code;
    const char* text;
};

constexpr CodeText errorTexts[] = {
    {0x00000000, "Ok"},
    {0x00000001, "False"},
    {0x8000000A, "The data necessary to complete the operation is not yet available"},
    {0x8000000E, "A method was called at an unexpected time"},
    {0x80004001, "Not implemented"},
    {0x80004002, "The IInspectable interface is not implemented by the specified class"},
    {0x80004003, "An invalid pointer was used"},
    {0x80004004, "Operation aborted"},
    {0x80004005, "Unspecified error"},
    {0x8000FFFF, "Unexpected failure"},
    {0x80010106, "Cannot change thread mode after it is set"},
    {0x80040111, "ClassFactory cannot supply requested class"},
    {0x80040112, "Class is not licensed for use"},
    {0x80040154, "Class not registered"},
    {0x80040155, "Interface not registered"},
    {0x80040156, "Threading model entry is not valid"},
    {0x800401F0, "The thread has not been initialized in the Windows Runtime by calling the RoInitialize function"},
    {0x800401F3, "The Invalid class string"},
    {0x80070002, "Illegal pointer or not a valid device name"},
    {0x80070003, "The path requested could not be found"},
    {0x80070005, "Access denied"},
    {0x80070006, "IHandle that is not valid"},
    {0x8007000E, "The method failed to allocate necessary memory"},
    {0x80070032, "The request is not supported"},
    {0x80070057, "One or more arguments are not valid"},
    {0x8007007B, "The filename, directory name, or volume label syntax is incorrect"},
    {0x8007029A, "Mobile Broadband device is not ready or radio is off"},
    {0x800710DF, "The device is not ready"},
    {0x8007139F, "The resource is not in the correct state to perform the requested operation"},
    {0xC0040003, "Driver or device is incorrectly configured or requested operation is not supported"},
    {0xC004000A, "The operation failed because the device does not support the operation"},
};

QString DecodeUnits(const std::uint8_t* data, std::size_t count, bool highFirst)
{
    QString text;
    if (data == nullptr)
        return text;
    text.reserve(static_cast<qsizetype>(count / 2 + 1));
    for (std::size_t i = 0; i < count; i += 2) {
        const std::uint8_t first = data[i];
        const std::uint8_t second = i + 1 < count ? data[i + 1] : 0;
        const auto unit = static_cast<char16_t>(highFirst ? (first << 8) | second : (second << 8) | first);
        if (unit == 0)
            break;
        text.append(QChar(unit));
    }
    return text;
}

} // namespace

QString DecodeUcs2(const std::uint8_t* data, std::size_t count)
{
    return DecodeUnits(data, count, false);
}

QString DecodeUcs2Swapped(const std::uint8_t* data, std::size_t count)
{
    return DecodeUnits(data, count, true);
}

QString DecodeGsm7(const std::uint8_t* data, std::size_t count)
{
    const std::vector<std::uint8_t> septets = UnpackSeptetOctets(data, count);
    QString text;
    text.reserve(static_cast<qsizetype>(septets.size()));
    for (std::uint8_t septet : septets)
        text.append(QChar(static_cast<char16_t>(septet)));
    return text;
}

QString DecodeOctets(const std::uint8_t* data, std::size_t count)
{
    if (data == nullptr)
        return {};
    return QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(count));
}

QString HexDump(const Bytes& bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    QString dump;
    dump.reserve(static_cast<qsizetype>(bytes.size() * 3));
    for (std::uint8_t b : bytes) {
        dump.append(QLatin1Char(digits[b >> 4]));
        dump.append(QLatin1Char(digits[b & 0x0F]));
        dump.append(QLatin1Char(' '));
    }
    return dump;
}

QString ErrorText(HRESULT code)
{
    const auto value = static_cast<std::uint32_t>(code);
    for (const auto& row : errorTexts)
        if (row.code == value)
            return QString::fromLatin1(row.text);
    // The device layer's own codes keep its texts; its tables word a code they do not know as
    // these, with the number in brackets.
    const std::string device = HresultText(code);
    if (device.rfind("Status is unknown (", 0) != 0)
        return QString::fromStdString(device);
    const std::string com = ComErrorText(code);
    if (com.rfind("Unknown error (", 0) != 0)
        return QString::fromStdString(com);
    return QStringLiteral("Unknown error");
}

QString ErrorWithCode(HRESULT code)
{
    return ErrorText(code) + QStringLiteral(" (0x") + QString::number(static_cast<std::uint32_t>(code), 16).toUpper() +
           QLatin1Char(')');
}

QString ResultCodeText(std::int32_t code)
{
    static const char* const texts[] = {"No Action Required", "Action Required",         "Terminated",
                                        "Other Local Client", "Operation Not Supported", "Network Timeout"};
    if (code >= 0 && code < static_cast<std::int32_t>(std::size(texts)))
        return QString::fromLatin1(texts[code]);
    return QStringLiteral("Unknown");
}

} // namespace ussd
