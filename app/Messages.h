#pragma once
// Window messages handed between threads and windows, and the records that travel with them.
// The numbers keep their historic values (WM_USER + n) so that logs and traces stay comparable.

#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

inline constexpr unsigned WM_USER = 1024;

// Notification-area icons and the second-instance request.
inline constexpr unsigned WM_TRAY_NOTIFY = WM_USER + 101;      // 1125
inline constexpr unsigned WM_DATACLASS_NOTIFY = WM_USER + 102; // 1126
// lParam of the notification-area messages: what the user did with the icon or its balloon.
inline constexpr std::intptr_t TRAY_LEFT_BUTTON_UP = 514;   // WM_LBUTTONUP
inline constexpr std::intptr_t TRAY_MIDDLE_BUTTON_UP = 520; // WM_MBUTTONUP
inline constexpr std::intptr_t TRAY_BALLOON_CLICK = 1029;   // NIN_BALLOONUSERCLICK

// Device layer. WM_USER + 122 is not used.
inline constexpr unsigned WM_BROADBAND_LOG = WM_USER + 120;          // 1144
inline constexpr unsigned WM_BROADBAND_EVENT = WM_USER + 121;        // 1145
inline constexpr unsigned WM_BROADBAND_INFO = WM_USER + 123;         // 1147
inline constexpr unsigned WM_BROADBAND_SIGNAL = WM_USER + 124;       // 1148
inline constexpr unsigned WM_BROADBAND_SMS = WM_USER + 125;          // 1149
inline constexpr unsigned WM_BROADBAND_REGISTRATION = WM_USER + 126; // 1150
inline constexpr unsigned WM_BROADBAND_PHONEBOOK = WM_USER + 127;    // 1151

// Database.
inline constexpr unsigned WM_DATABASE_SMS = WM_USER + 221;      // 1245
inline constexpr unsigned WM_DATABASE_TEMPLATE = WM_USER + 222; // 1246
inline constexpr unsigned WM_DATABASE_LOAD = WM_USER + 224;     // 1248

// USSD.
inline constexpr unsigned WM_USSD_LOG = WM_USER + 301;   // 1325
inline constexpr unsigned WM_USSD_EVENT = WM_USER + 302; // 1326

// wParam values of WM_DATABASE_LOAD.
inline constexpr std::uintptr_t DATABASE_LOAD_BEGIN = 1;
inline constexpr std::uintptr_t DATABASE_LOAD_END = 2;

// Where a stored message stands. The database and the device keep it as a plain number.
enum class SmsStatus : std::uint32_t { New = 0, Read = 1, Draft = 2, Sent = 3 };
// The plain number a record or a row keeps.
constexpr std::uint32_t StatusValue(SmsStatus status)
{
    return static_cast<std::uint32_t>(status);
}

// One stored message as the database loader hands it over. The device layer hands its messages
// over in the same layout, so that both take one path through the controller.
struct DATABASE_SMS_DATA
{
    std::uint32_t Index = 0;  // always 0 for stored rows
    std::uint32_t Status = 0; // an SmsStatus value
    std::uint8_t Class0 = 0;  // always 0 for stored rows
    std::string Pdu;          // upper-case hexadecimal
    std::string Date;         // local date, dd.mm.yyyy
    std::string Time;         // local time, hh:mm:ss
};
using BROADBAND_SMS_DATA = DATABASE_SMS_DATA;

struct DATABASE_SMS_ROW
{
    std::int64_t ID = 0;
    DATABASE_SMS_DATA Data;
};
// The record of WM_DATABASE_SMS: stored messages in table order, handed over a batch at a time.
// Shared, so that the receiver may keep the rows past the handler without copying them.
using DATABASE_SMS_BATCH = std::shared_ptr<const std::vector<DATABASE_SMS_ROW>>;

struct DATABASE_TEMPLATE_DATA
{
    std::uint32_t ID = 0;
    QString Number;
    QString Text;
    std::string Date;
    std::string Time;
};

struct DATABASE_CONTACTS_DATA
{
    std::int32_t ID = 0;
    QString Contact;
    QString FirstName;
    QString MiddleName;
    QString FamilyName;
    QString Number;
    QString Group;
    QString Notes;
    std::string Date;
    std::string Time;
};
