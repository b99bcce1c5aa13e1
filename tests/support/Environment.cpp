#include "support/TestMain.h"

#include <cstdlib>

namespace testsupport {

void PrepareEnvironment()
{
    constexpr int keepCallersValue = 0;
    setenv("QT_QPA_PLATFORM", "offscreen", keepCallersValue);
    setenv("CANBERRA_DRIVER", "null", keepCallersValue);
}

} // namespace testsupport
