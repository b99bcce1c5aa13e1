#pragma once

// What the device layer's session files share: the log's rule, number texts and the record sender.

#include "device/Broadband.h"

#include "app/MessageTarget.h"

#include <string>

namespace broadband {

inline const std::string separator(67, '=');

inline std::string Decimal(std::uint32_t value)
{
    return std::to_string(value);
}

} // namespace broadband

template <class T> void BroadbandSender::Record(unsigned number, std::uintptr_t wParam, const T& record) const
{
    if (target)
        target->SendRecord(number, wParam, record);
}
