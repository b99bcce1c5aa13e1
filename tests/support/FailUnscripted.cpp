// Linked into every test program: a prompt that the test did not script fails the running test.
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace {

[[maybe_unused]] const bool installed = [] {
    testsupport::SetUnscriptedReport([](const std::string& what) { ADD_FAILURE() << what; });
    return true;
}();

} // namespace
