#include "controller/MainActions.h"

#include <array>

QString MainActionName(MainAction action)
{
    static const std::array<const char*, MainActionCount> names = {
#define PARLOWEN_MAIN_ACTION_NAME(name) #name,
        PARLOWEN_MAIN_ACTIONS(PARLOWEN_MAIN_ACTION_NAME)
#undef PARLOWEN_MAIN_ACTION_NAME
    };
    return QString::fromLatin1(names[static_cast<std::size_t>(action)]);
}
