#include "web/url/url_session.h"

#include "platform/thread_hand_off.h"
#include "tests/support/log_capture.h"
#include "tests/support/temporary_home.h"
#include "web/url/url_request.h"

#include <QFile>
#include <QMetaObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <latch>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sorvant {
namespace {

// An HTTP/1.1 server on 127.0.0.1 in a thread of its own. Each connection
// carries one request and is closed after the answer.
//   /ok               200 with type, charset, Last-Modified, ETag, length
//   /status/N         status N
//   /redirect/N       a chain of N redirects ending at /ok
//   /loop             redirects to itself
//   /echo             the request head and body as the body
//   /set-cookie       sets "session=abc"
//   /drip             a byte every 50 ms, no length
//   /silent           never answers
//   /cache            a fresh counter, cacheable for an hour
//   /nolength         a body without Content-Length
//   /goto?TARGET      302 to TARGET, whatever its scheme
class LoopbackServer : public QObject
{
public:
    LoopbackServer()
    {
        moveToThread(&m_thread);
        m_thread.start();
        onServerThread([this] { listen(); });
    }

    ~LoopbackServer() override
    {
        onServerThread([this] { delete m_server; m_server = nullptr; });
        m_thread.quit();
        m_thread.wait();
    }

    [[nodiscard]] URL url(const QString& path) const
    {
        return URL::URLWithString(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path));
    }

    std::atomic<int> cacheHits{0};

private:
    // Runs work on the server's thread and waits for it. The latch orders
    // the way back where ThreadSanitizer sees it: Qt's blocking call reads
    // its arguments on this thread's stack after the work returned, past any
    // release the work could make.
    template <typename Work>
    void onServerThread(Work work)
    {
        std::latch done(1);
        QMetaObject::invokeMethod(this, handedOff([&work, &done] {
            work();
            done.count_down();
        }), Qt::QueuedConnection);
        done.wait();
    }

    void listen()
    {
        m_server = new QTcpServer();
        m_server->listen(QHostAddress::LocalHost, 0);
        m_port = m_server->serverPort();
        connect(m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection()) {
                socket->setParent(m_server);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onRead(socket); });
            }
        });
    }

    void onRead(QTcpSocket* socket)
    {
        QByteArray& buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        const QByteArray head = buffer.left(headEnd);
        qsizetype length = 0;
        for (const QByteArray& line : head.split('\n')) {
            if (line.toLower().startsWith("content-length:"))
                length = line.mid(15).trimmed().toLongLong();
        }
        if (buffer.size() < headEnd + 4 + length)
            return;
        const QByteArray body = buffer.mid(headEnd + 4, length);
        m_buffers.remove(socket);
        answer(socket, head, body);
    }

    static void send(QTcpSocket* socket, int status, const QList<QByteArray>& headers, const QByteArray& body,
                     bool withLength = true)
    {
        QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\nConnection: close\r\n";
        for (const QByteArray& header : headers)
            out += header + "\r\n";
        if (withLength)
            out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        out += "\r\n" + body;
        socket->write(out);
        socket->disconnectFromHost();
    }

    void answer(QTcpSocket* socket, const QByteArray& head, const QByteArray& body)
    {
        const QByteArray path = head.split(' ').value(1);
        if (path == "/ok") {
            send(socket, 200,
                 {"Content-Type: text/html; charset=ISO-8859-1", "Last-Modified: Tue, 01 Dec 2026 10:00:00 GMT",
                  "ETag: \"v1\""},
                 "hello");
        } else if (path.startsWith("/status/")) {
            send(socket, path.mid(8).toInt(), {"Content-Type: text/plain"}, "status " + path.mid(8));
        } else if (path.startsWith("/redirect/")) {
            const int left = path.mid(10).toInt();
            send(socket, 302, {"Location: " + (left <= 1 ? QByteArray("/ok") : "/redirect/" + QByteArray::number(left - 1))},
                 QByteArray());
        } else if (path == "/loop") {
            send(socket, 302, {"Location: /loop"}, QByteArray());
        } else if (path == "/echo") {
            send(socket, 200, {"Content-Type: text/plain"}, head + "\r\n\r\n" + body);
        } else if (path == "/set-cookie") {
            send(socket, 200, {"Set-Cookie: session=abc; Path=/"}, "cookie");
        } else if (path == "/drip") {
            socket->write("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/plain\r\n\r\n");
            auto* timer = new QTimer(socket);
            connect(timer, &QTimer::timeout, socket, [socket] { socket->write("x"); });
            timer->start(50);
        } else if (path == "/silent") {
            // Keeps the connection open without a word.
        } else if (path == "/cache") {
            send(socket, 200, {"Cache-Control: max-age=3600", "Content-Type: text/plain"},
                 QByteArray::number(++cacheHits));
        } else if (path.startsWith("/goto?")) {
            send(socket, 302, {"Location: " + path.mid(6)}, QByteArray());
        } else if (path == "/nolength") {
            send(socket, 200, {"Content-Type: text/plain"}, "no length here", false);
        } else {
            send(socket, 404, {}, "missing");
        }
    }

    QThread m_thread;
    QTcpServer* m_server = nullptr;
    quint16 m_port = 0;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

// Transfers must not run on the main thread: each test body runs on its own.
template <typename Body>
void offMainThread(Body body)
{
    std::thread thread(body);
    thread.join();
}

class URLSessionTest : public testing::Test
{
protected:
    test::TemporaryHome m_home;
    LoopbackServer m_server;
};

struct Outcome {
    QByteArray data;
    URLResponse response;
    URLError error;
};

Outcome send(const URLRequest& request)
{
    Outcome outcome;
    offMainThread([&] { outcome.data = sendSynchronousRequest(request, &outcome.response, &outcome.error); });
    return outcome;
}

TEST_F(URLSessionTest, ResponseCarriesTypeEncodingDatesTagAndLength)
{
    const Outcome outcome = send(URLRequest(m_server.url("/ok")));
    EXPECT_EQ(outcome.error.code, 0);
    EXPECT_EQ(outcome.data, QByteArray("hello"));
    EXPECT_EQ(outcome.response.statusCode(), 200);
    EXPECT_EQ(outcome.response.MIMEType(), QStringLiteral("text/html"));
    EXPECT_EQ(outcome.response.textEncodingName(), QStringLiteral("ISO-8859-1"));
    EXPECT_EQ(outcome.response.expectedContentLength(), 5);
    EXPECT_EQ(lastModified(outcome.response), QStringLiteral("Tue, 01 Dec 2026 10:00:00 GMT"));
    EXPECT_EQ(ETag(outcome.response), QStringLiteral("\"v1\""));
    EXPECT_EQ(contentType(outcome.response), QStringLiteral("text/html; charset=ISO-8859-1"));
}

TEST_F(URLSessionTest, HTTPStatusesAreResponsesNotErrors)
{
    for (const int status : {200, 204, 404, 500, 503}) {
        SCOPED_TRACE(status);
        const Outcome outcome = send(URLRequest(m_server.url(QStringLiteral("/status/%1").arg(status))));
        EXPECT_EQ(outcome.error.code, 0);
        EXPECT_EQ(outcome.response.statusCode(), status);
        if (status != 204) {
            EXPECT_EQ(outcome.data, "status " + QByteArray::number(status));
        }
    }
}

TEST_F(URLSessionTest, MissingContentLengthGivesUnknownExpectedLength)
{
    const Outcome outcome = send(URLRequest(m_server.url("/nolength")));
    EXPECT_EQ(outcome.data, QByteArray("no length here"));
    EXPECT_EQ(outcome.response.expectedContentLength(), -1);
}

TEST_F(URLSessionTest, RequestHeadersBodyAndCookiesReachTheServer)
{
    URLRequest request = downloadRequestWithURL(m_server.url("/echo"), QStringLiteral("https://ref.example.org/p"),
                                                QStringLiteral("Agent/1"), QVariantMap{{"a b", "c&d"}, {"e", 1}},
                                                kNoStringEncoding, QString(), false, true, 5);
    setETag(request, QStringLiteral("\"v1\""));
    setIfModifiedSince(request, QStringLiteral("Tue, 01 Dec 2026 10:00:00 GMT"));
    send(URLRequest(m_server.url("/set-cookie")));
    const QString echo = QString::fromUtf8(send(request).data);
    EXPECT_TRUE(echo.startsWith(QLatin1String("POST /echo HTTP/1.1"))) << echo.toStdString();
    EXPECT_TRUE(echo.contains(QLatin1String("User-Agent: Agent/1")));
    EXPECT_TRUE(echo.contains(QLatin1String("Referer: https://ref.example.org/p")));
    EXPECT_TRUE(echo.contains(QLatin1String("If-Modified-Since: Tue, 01 Dec 2026 10:00:00 GMT")));
    EXPECT_TRUE(echo.contains(QLatin1String("tag: \"v1\""), Qt::CaseInsensitive));
    EXPECT_TRUE(echo.contains(QLatin1String("session=abc")));
    EXPECT_TRUE(echo.endsWith(QLatin1String("a%20b=c%26d&e=1")));

    request.setHTTPShouldHandleCookies(false);
    EXPECT_FALSE(QString::fromUtf8(send(request).data).contains(QLatin1String("session=abc")));
}

TEST_F(URLSessionTest, EphemeralSessionsKeepCookiesToThemselves)
{
    offMainThread([&] {
        auto ephemeral = URLSession::ephemeralSession();
        ephemeral->sendSynchronousRequest(URLRequest(m_server.url("/set-cookie")), nullptr, nullptr);
        const QByteArray own = ephemeral->sendSynchronousRequest(URLRequest(m_server.url("/echo")), nullptr, nullptr);
        EXPECT_TRUE(own.contains("session=abc"));
        const QByteArray other = URLSession::ephemeralSession()->sendSynchronousRequest(
            URLRequest(m_server.url("/echo")), nullptr, nullptr);
        EXPECT_FALSE(other.contains("session=abc"));
    });
}

TEST_F(URLSessionTest, CachePolicyDecidesWhetherTheNetworkIsAsked)
{
    const QByteArray first = send(requestWithURL(m_server.url("/cache"), NSURLRequestUseProtocolCachePolicy)).data;
    const QByteArray cached = send(requestWithURL(m_server.url("/cache"), NSURLRequestReturnCacheDataElseLoad)).data;
    const QByteArray reloaded =
        send(requestWithURL(m_server.url("/cache"), NSURLRequestReloadIgnoringLocalCacheData)).data;
    EXPECT_EQ(cached, first);
    EXPECT_NE(reloaded, first);
}

TEST_F(URLSessionTest, SilentServerTimesOut)
{
    URLRequest request(m_server.url("/silent"));
    request.setTimeoutInterval(0.3);
    const Outcome outcome = send(request);
    EXPECT_EQ(outcome.error.code, NSURLErrorTimedOut);
    EXPECT_TRUE(outcome.data.isNull());
}

TEST_F(URLSessionTest, FailuresOfTransportAndScheme)
{
    const Outcome refused = send(URLRequest(URL::URLWithString(QStringLiteral("http://127.0.0.1:1/"))));
    EXPECT_EQ(refused.error.code, NSURLErrorCannotConnectToHost);
    const Outcome ftp = send(URLRequest(URL::URLWithString(QStringLiteral("ftp://127.0.0.1/x"))));
    EXPECT_EQ(ftp.error.code, NSURLErrorUnsupportedURL);
    const Outcome loop = send(URLRequest(m_server.url("/loop")));
    EXPECT_EQ(loop.error.code, NSURLErrorHTTPTooManyRedirects);
}

TEST_F(URLSessionTest, FileURLsAreRead)
{
    const QString path = m_home.tree.writeFile(QStringLiteral("page.html"), "<p>file</p>");
    const Outcome outcome = send(URLRequest(URL::fileURLWithPath(path)));
    EXPECT_EQ(outcome.data, QByteArray("<p>file</p>"));
    EXPECT_EQ(outcome.response.statusCode(), 0);
    EXPECT_EQ(outcome.response.MIMEType(), QStringLiteral("text/html"));
    EXPECT_EQ(outcome.response.expectedContentLength(), 11);
    EXPECT_TRUE(lastModified(outcome.response).isNull());
    EXPECT_TRUE(ETag(outcome.response).isNull());
    EXPECT_TRUE(contentType(outcome.response).isNull());

    const Outcome missing = send(URLRequest(URL::fileURLWithPath(m_home.tree.filePath(QStringLiteral("none")))));
    EXPECT_EQ(missing.error.code, NSURLErrorFileDoesNotExist);
}

TEST_F(URLSessionTest, RedirectToAFileURLIsRefused)
{
    const QString path = m_home.tree.writeFile(QStringLiteral("secret.txt"), "local secret");
    const QString target = URL::fileURLWithPath(path).absoluteString();
    for (const QString& location : {target, QStringLiteral("ftp://127.0.0.1/x")}) {
        SCOPED_TRACE(location.toStdString());
        const Outcome outcome = send(URLRequest(m_server.url(QStringLiteral("/goto?") + location)));
        EXPECT_EQ(outcome.error.code, NSURLErrorUnsupportedURL);
        EXPECT_FALSE(outcome.data.contains("local secret"));
    }
}

// The forwarded address used to name the refused target.
TEST_F(URLSessionTest, ARefusedRedirectIsNotReportedAsForwarded)
{
    const QString path = m_home.tree.writeFile(QStringLiteral("secret.txt"), "local secret");
    const QString target = URL::fileURLWithPath(path).absoluteString();
    for (const QString& location : {target, QStringLiteral("ftp://127.0.0.1/x")}) {
        SCOPED_TRACE(location.toStdString());
        URL forward = URL::URLWithString(QStringLiteral("http://before/"));
        URLError error;
        QByteArray data;
        offMainThread([&] {
            data = downloadSynchronousUsingReferrer(m_server.url(QStringLiteral("/goto?") + location), QVariant(),
                                                    QString(), QVariant(), 0, nullptr, nullptr, nullptr, nullptr,
                                                    &forward, &error, nullptr, nullptr, nullptr, false, false, 5,
                                                    QString());
        });
        EXPECT_EQ(error.code, NSURLErrorUnsupportedURL);
        EXPECT_TRUE(forward.isNull()) << forward.absoluteString().toStdString();
        EXPECT_FALSE(data.contains("local secret"));
    }
}

TEST_F(URLSessionTest, FileURLOfAFIFOIsRefusedWithoutWaiting)
{
    const QString path = m_home.tree.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    // Should the open wait for a writer, one comes after a second, so the
    // test ends either way.
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            (void)!::write(fd, "late", 4);
            ::close(fd);
        }
    });
    const Outcome outcome = send(URLRequest(URL::fileURLWithPath(path)));
    writer.join();
    EXPECT_EQ(outcome.error.code, NSURLErrorNoPermissionsToReadFile);
    EXPECT_TRUE(outcome.data.isEmpty());

    const Outcome folder = send(URLRequest(URL::fileURLWithPath(m_home.tree.path())));
    EXPECT_EQ(folder.error.code, NSURLErrorFileIsDirectory);
}

TEST_F(URLSessionTest, LineBreaksInReferrerOrUserAgentNeverReachTheWire)
{
    const URLRequest request = downloadRequestWithURL(
        m_server.url("/echo"), QStringLiteral("https://ref.example.org/\r\nX-Injected: referrer"),
        QStringLiteral("Agent/1\nX-Injected: agent"), QVariant(), kNoStringEncoding, QString(), false, true, 5);
    const QString echo = QString::fromUtf8(send(request).data);
    EXPECT_TRUE(echo.startsWith(QLatin1String("GET /echo HTTP/1.1"))) << echo.toStdString();
    EXPECT_FALSE(echo.contains(QLatin1String("\nX-Injected"))) << echo.toStdString();
}

// --- the download task ---------------------------------------------------------------------

struct Recorder : DownloadRequestTaskDelegate,
                  DownloadCancelPolling,
                  DownloadRedirectAcceptance,
                  DownloadResponseAcceptance,
                  DownloadDataAcceptance {
    bool cancelOnPoll = false;
    bool refuseRedirect = false;
    bool refuseResponse = false;
    qsizetype stopAfterBytes = -1;
    QStringList redirects;
    int responses = 0;
    int polls = 0;
    void* seenContext = nullptr;

    bool shouldCancelURLSession(URLSession*, DownloadRequestTask*, void* context, URLError* error) override
    {
        ++polls;
        seenContext = context;
        if (cancelOnPoll)
            error->code = 42;
        return cancelOnPoll;
    }
    bool acceptRedirectResponse(URLSession*, DownloadRequestTask*, const URLResponse& response,
                                const URLRequest& next, void*, URLError*) override
    {
        redirects.append(QString::number(response.statusCode()) + QLatin1Char(' ') + next.url().pathAsWritten());
        return !refuseRedirect;
    }
    bool acceptResponse(URLSession*, DownloadRequestTask*, const URLResponse&, void*, URLError* error) override
    {
        ++responses;
        if (refuseResponse)
            error->code = 7;
        return !refuseResponse;
    }
    bool shouldContinueDownloadingRequest(URLSession*, DownloadRequestTask*, const URLRequest&,
                                          const QByteArray& data, void*, URLError*) override
    {
        return stopAfterBytes < 0 || data.size() < stopAfterBytes;
    }
};

TEST_F(URLSessionTest, TaskReportsEachRedirectAndEndsWithTheFinalRequest)
{
    Recorder recorder;
    DownloadRequestTask task(URLSessionConfiguration::defaultSessionConfiguration(),
                             URLRequest(m_server.url("/redirect/3")), &recorder, nullptr);
    offMainThread([&] { task.resume(); });
    EXPECT_EQ(recorder.redirects, (QStringList{"302 /redirect/2", "302 /redirect/1", "302 /ok"}));
    EXPECT_EQ(task.request().url().pathAsWritten(), QStringLiteral("/ok"));
    EXPECT_EQ(task.data(), QByteArray("hello"));
    EXPECT_EQ(recorder.responses, 1);
}

TEST_F(URLSessionTest, DelegateRefusalsCancelWithTheirErrors)
{
    {
        Recorder recorder;
        recorder.refuseRedirect = true;
        DownloadRequestTask task(URLSessionConfiguration::defaultSessionConfiguration(),
                                 URLRequest(m_server.url("/redirect/2")), &recorder, nullptr);
        offMainThread([&] { task.resume(); });
        EXPECT_EQ(task.error().code, NSURLErrorCancelled);
        EXPECT_EQ(recorder.redirects.size(), 1);
        EXPECT_TRUE(task.data().isNull());
    }
    {
        Recorder recorder;
        recorder.refuseResponse = true;
        DownloadRequestTask task(URLSessionConfiguration::defaultSessionConfiguration(), URLRequest(m_server.url("/ok")),
                                 &recorder, nullptr);
        offMainThread([&] { task.resume(); });
        EXPECT_EQ(task.error().code, 7);
        EXPECT_TRUE(task.data().isNull());
    }
    {
        Recorder recorder;
        recorder.stopAfterBytes = 3;
        DownloadRequestTask task(URLSessionConfiguration::defaultSessionConfiguration(),
                                 URLRequest(m_server.url("/drip")), &recorder, nullptr);
        offMainThread([&] { task.resume(); });
        EXPECT_EQ(task.error().code, NSURLErrorCancelled);
        EXPECT_EQ(task.data().size(), 3);
    }
}

TEST_F(URLSessionTest, CancelPollEndsASlowTransferWithTheDelegatesError)
{
    Recorder recorder;
    recorder.cancelOnPoll = true;
    int context = 0;
    URLError error;
    QByteArray data;
    offMainThread([&] {
        data = downloadSynchronousUsingReferrer(m_server.url("/drip"), QVariant(), QString(), QVariant(), 0, nullptr,
                                                nullptr, nullptr, nullptr, nullptr, &error, nullptr, &recorder,
                                                &context, false, false, 30, QString());
    });
    EXPECT_EQ(error.code, 42);
    EXPECT_EQ(recorder.polls, 1);
    EXPECT_EQ(recorder.seenContext, &context);
    // The drip sends 20 bytes a second for as long as it is read.
    EXPECT_LT(data.size(), 40);
}

TEST_F(URLSessionTest, DownloadFillsItsOutParameters)
{
    QString type, encoding, modified;
    qint64 status = -5, length = -5;
    URL forward;
    URLError error;
    Recorder recorder;
    QByteArray data;
    offMainThread([&] {
        data = downloadSynchronousUsingReferrer(m_server.url("/redirect/1"), QVariant(), QString(), QVariant(), 0,
                                                &type, &encoding, &modified, &status, &forward, &error, &length,
                                                nullptr, nullptr, false, false, 5, QString());
    });
    EXPECT_EQ(data, QByteArray("hello"));
    EXPECT_EQ(type, QStringLiteral("text/html"));
    EXPECT_EQ(encoding, QStringLiteral("ISO-8859-1"));
    EXPECT_EQ(modified, QStringLiteral("Tue, 01 Dec 2026 10:00:00 GMT"));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(length, 5);
    EXPECT_EQ(forward.pathAsWritten(), QStringLiteral("/ok"));
    EXPECT_EQ(error.code, 0);

    // Without forward and delegate there is no final request to report.
    offMainThread([&] {
        data = downloadSynchronousUsingReferrer(m_server.url("/redirect/1"), QVariant(), QString(), QVariant(), 0,
                                                nullptr, nullptr, nullptr, &status, nullptr, &error, &length, nullptr,
                                                nullptr, false, false, 5, QString());
    });
    EXPECT_EQ(data, QByteArray("hello"));
    EXPECT_EQ(status, 200);
}

TEST_F(URLSessionTest, InvalidDownloadsAreLoggedAndAnswerNothing)
{
    test::LogCapture log;
    qint64 status = -5, length = -5;
    URL forward = URL::URLWithString(QStringLiteral("http://x/"));
    QByteArray data = "stale";
    offMainThread([&] {
        data = downloadSynchronousUsingReferrer(URL::URLWithString(QStringLiteral("mailto:a@b.c")), QVariant(),
                                                QString(), QVariant(), 0, nullptr, nullptr, nullptr, &status, &forward,
                                                nullptr, &length, nullptr, nullptr, false, false, 0, QString());
    });
    EXPECT_TRUE(data.isNull());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(length, -1);
    EXPECT_TRUE(forward.isNull());
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("Invalid download: mailto:a@b.c")});
}

TEST_F(URLSessionTest, MainThreadTransfersAreRefusedWithAWarning)
{
    test::LogCapture log;
    DownloadRequestTask task(URLSessionConfiguration::defaultSessionConfiguration(), URLRequest(m_server.url("/ok")),
                             nullptr, nullptr);
    task.resume();
    EXPECT_NE(task.error().code, 0);
    EXPECT_TRUE(task.data().isNull());
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().startsWith(QLatin1String("WARNING: ")));
}

TEST_F(URLSessionTest, ThumbnailsRefuseErrorPages)
{
    QByteArray ok, missing;
    offMainThread([&] {
        ok = sendThumbnailRequest(m_server.url("/ok"), QString());
        missing = sendThumbnailRequest(m_server.url("/status/404"), QString());
    });
    EXPECT_EQ(ok, QByteArray("hello"));
    EXPECT_TRUE(missing.isNull());
    EXPECT_TRUE(sendThumbnailRequest(URL(), QString()).isNull());
}

} // namespace
} // namespace sorvant
