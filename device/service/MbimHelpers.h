#pragma once

// GLib and libmbim helpers shared by the broadband service's files. Include after libmbim.

#include "device/Status.h"

#include <libmbim-glib.h>

#include <QLoggingCategory>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(lcBroadband)

namespace mbimx {

constexpr guint openTimeoutSeconds = 15;
constexpr guint queryTimeoutSeconds = 10;
// Sending waits for the network, which may take much longer than a local query.
constexpr guint sendTimeoutSeconds = 60;

// A null string is the empty string.
std::string Optional(const gchar* text);
// A null string stays absent.
std::optional<std::string> OptionalString(const gchar* text);
// Upper-case hex of the bytes.
std::string Hex(const guint8* data, guint32 size);
// Hex digits of either case, two per byte.
bool ParseHex(const std::string& text, std::vector<guint8>& bytes);
// Result of a finished command: transport failures, then the device's status.
HRESULT CommandResult(MbimMessage* response, const GError* transportError);
// Logs a malformed answer and frees the error.
void LogParseError(const char* what, GError* error);

} // namespace mbimx
