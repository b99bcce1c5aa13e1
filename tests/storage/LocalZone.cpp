// A zone away from UTC, so that a missing conversion to local time shows. Set before main, as
// the application object and every test come after it.
#include <cstdlib>
#include <ctime>

namespace {

[[maybe_unused]] const bool zoneSet = [] {
    setenv("TZ", "XST-5:30", 1);
    tzset();
    return true;
}();

} // namespace
