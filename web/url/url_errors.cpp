#include "web/url/url_errors.h"

namespace sorvant {

bool isHTTPStatusCodeOkay(qint64 statusCode)
{
    // 201-206 carry no usable body for a download (created, accepted,
    // non-authoritative, no content, reset, partial).
    return statusCode < 300 && (statusCode < 201 || statusCode > 206);
}

bool isHTTPStatusCodeTemporaryError(qint64 statusCode)
{
    switch (statusCode) {
    case 307: case 408: case 429: case 500: case 502: case 503: case 504: case 507: case 509: case 510:
        return true;
    default:
        return false;
    }
}

qint64 HTTPStatusCodeForNSURLError(const URLError* error)
{
    if (!error)
        return 0;
    switch (error->code) {
    case NSURLErrorZeroByteResource: return 204;
    case NSURLErrorUserAuthenticationRequired:
    case NSURLErrorUserCancelledAuthentication: return 401;
    case NSURLErrorRedirectToNonExistentLocation:
    case NSURLErrorHTTPTooManyRedirects: return 302;
    case NSURLErrorTimedOut: return 408;
    case NSURLErrorNoPermissionsToReadFile: return 403;
    case NSURLErrorFileDoesNotExist: return 404;
    default: return 0;
    }
}

bool isTemporaryNSURLError(const URLError* error)
{
    if (!error)
        return false;
    switch (error->code) {
    case NSURLErrorBadServerResponse:
    case NSURLErrorNotConnectedToInternet:
    case NSURLErrorNetworkConnectionLost:
    case NSURLErrorTimedOut:
        return true;
    default:
        return false;
    }
}

} // namespace sorvant
