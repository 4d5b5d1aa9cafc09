#include "web/url/url_errors.h"

#include <gtest/gtest.h>

namespace sorvant {
namespace {

TEST(URLErrors, StatusCodesOkayAndTemporary)
{
    const struct {
        qint64 code;
        bool okay;
        bool temporary;
    } cases[] = {
        {200, true, false},  {204, false, false}, {201, false, false}, {206, false, false}, {207, true, false},
        {299, true, false},  {300, false, false}, {0, true, false},    {-5, true, false},   {307, false, true},
        {408, false, true},  {429, false, true},  {500, false, true},  {501, false, false}, {505, false, false},
        {506, false, false}, {508, false, false}, {509, false, true},  {510, false, true},  {511, false, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(isHTTPStatusCodeOkay(row.code), row.okay);
        EXPECT_EQ(isHTTPStatusCodeTemporaryError(row.code), row.temporary);
    }
}

TEST(URLErrors, LoadingErrorsAsStatusesAndRetries)
{
    const struct {
        qint64 code;
        qint64 status;
        bool temporary;
    } cases[] = {
        {NSURLErrorZeroByteResource, 204, false},
        {NSURLErrorUserAuthenticationRequired, 401, false},
        {NSURLErrorUserCancelledAuthentication, 401, false},
        {NSURLErrorRedirectToNonExistentLocation, 302, false},
        {NSURLErrorHTTPTooManyRedirects, 302, false},
        {NSURLErrorTimedOut, 408, true},
        {NSURLErrorNoPermissionsToReadFile, 403, false},
        {NSURLErrorFileDoesNotExist, 404, false},
        {NSURLErrorCannotFindHost, 0, false},
        {NSURLErrorBadServerResponse, 0, true},
        {NSURLErrorNotConnectedToInternet, 0, true},
        {NSURLErrorNetworkConnectionLost, 0, true},
        {NSURLErrorCancelled, 0, false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.code);
        const URLError error{row.code, QStringLiteral("OtherDomain"), QString()};
        EXPECT_EQ(HTTPStatusCodeForNSURLError(&error), row.status);
        EXPECT_EQ(isTemporaryNSURLError(&error), row.temporary);
    }
    EXPECT_EQ(HTTPStatusCodeForNSURLError(nullptr), 0);
    EXPECT_FALSE(isTemporaryNSURLError(nullptr));
}

} // namespace
} // namespace sorvant
