#include "kit/CaptureVocabulary.h"

#include <stdexcept>
#include <system_error>

#include <gtest/gtest.h>

#include "kit/Error.h"

namespace kit {
namespace {

TEST(CaptureFailure, OnlyTheDeclinedPermissionPairAsksForPermission) {
    const std::string domain(ErrorDomain::screenCaptureStream);
    EXPECT_EQ(CaptureFailure::classify(Error("Declined.", domain, -3801)), CaptureFailure::needsScreenPermission);
    EXPECT_EQ(CaptureFailure::classify(Error("Other.", domain, -3802)), CaptureFailure::other);
    EXPECT_EQ(CaptureFailure::classify(Error("Other.", "org.example", -3801)), CaptureFailure::other);
    EXPECT_EQ(CaptureFailure::classify(std::runtime_error("plain")), CaptureFailure::other);
    EXPECT_EQ(CaptureFailure::classify(std::system_error(EACCES, std::generic_category())), CaptureFailure::other);
}

} // namespace
} // namespace kit
