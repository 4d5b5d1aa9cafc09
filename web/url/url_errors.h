#pragma once
// HTTP status codes and URL-loading errors sorted into usable answers, ones
// worth retrying later, and the HTTP status an error stands for. Pure
// functions of an integer; only an error's code is read, never its domain.

#include <QString>

namespace sorvant {

// The error a URL transfer hands back: a URL-loading code (the negative
// values below) or an HTTP-level code, with a readable message.
struct URLError {
    qint64 code = 0;
    QString domain;
    QString description;
};

// The URL-loading error codes the transfer layer reports.
inline constexpr qint64 NSURLErrorUnknown = -1;
inline constexpr qint64 NSURLErrorCancelled = -999;
inline constexpr qint64 NSURLErrorBadURL = -1000;
inline constexpr qint64 NSURLErrorTimedOut = -1001;
inline constexpr qint64 NSURLErrorUnsupportedURL = -1002;
inline constexpr qint64 NSURLErrorCannotFindHost = -1003;
inline constexpr qint64 NSURLErrorCannotConnectToHost = -1004;
inline constexpr qint64 NSURLErrorNetworkConnectionLost = -1005;
inline constexpr qint64 NSURLErrorHTTPTooManyRedirects = -1007;
inline constexpr qint64 NSURLErrorNotConnectedToInternet = -1009;
inline constexpr qint64 NSURLErrorRedirectToNonExistentLocation = -1010;
inline constexpr qint64 NSURLErrorBadServerResponse = -1011;
inline constexpr qint64 NSURLErrorUserCancelledAuthentication = -1012;
inline constexpr qint64 NSURLErrorUserAuthenticationRequired = -1013;
inline constexpr qint64 NSURLErrorZeroByteResource = -1014;
inline constexpr qint64 NSURLErrorFileDoesNotExist = -1100;
inline constexpr qint64 NSURLErrorFileIsDirectory = -1101;
inline constexpr qint64 NSURLErrorNoPermissionsToReadFile = -1102;
inline constexpr qint64 NSURLErrorSecureConnectionFailed = -1200;

inline const QString NSURLErrorDomain = QStringLiteral("NSURLErrorDomain");

// Below 300 and not 201 to 206.
//   200 => true   204 => false   207 => true   299 => true   300 => false   0 => true
[[nodiscard]] bool isHTTPStatusCodeOkay(qint64 statusCode);

// 307, 408, 429, 500, 502, 503, 504, 507, 509 and 510; nothing else.
//   503 => true   501 => false   511 => false
[[nodiscard]] bool isHTTPStatusCodeTemporaryError(qint64 statusCode);

// The HTTP status a URL-loading error stands for; 0 for none.
//   TimedOut => 408   FileDoesNotExist => 404   CannotFindHost => 0   null => 0
[[nodiscard]] qint64 HTTPStatusCodeForNSURLError(const URLError* error);

// Bad server response, not connected, connection lost and timed out.
//   TimedOut => true   HTTPTooManyRedirects => false   null => false
[[nodiscard]] bool isTemporaryNSURLError(const URLError* error);

} // namespace sorvant
