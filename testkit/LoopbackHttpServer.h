// A small HTTP/1.1 server on 127.0.0.1 for tests of the web code: it listens on a port
// the system picks, answers each request from a table of routes on a thread of its own,
// closes every connection after one answer and remembers what it was asked. Nothing
// leaves the machine, and Stop (or the destructor) ends every wait it is in.
#pragma once

#include <windows.h>

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/base/CString.h"

namespace testkit {

struct HttpAnswer {
    int status = 200;
    std::string contentType = "text/xml; charset=utf-8";
    std::string body;
    // Extra header lines without their line end ("Location: /other").
    std::vector<std::string> headers;
    // False: no Content-Length, the end of the body is the end of the connection.
    bool sendContentLength = true;
    // Announced instead of the body's true length when not negative.
    long long announcedLength = -1;
    // The body in pieces of this many bytes with a pause after each (0: all at once).
    size_t chunkBytes = 0;
    DWORD pauseMs = 0;
    // Bytes of the body sent before the connection is dropped (negative: all).
    long long dropAfter = -1;
    // Accepts the request and never answers until the server stops.
    bool neverAnswer = false;
    // Answers 403 to a request whose User-Agent starts with this text.
    std::string refuseAgentPrefix;
};

struct HttpRequestSeen {
    std::string method;
    std::string target;  // path and query as sent
    std::string userAgent;
};

class CLoopbackHttpServer {
public:
    CLoopbackHttpServer();
    ~CLoopbackHttpServer();
    CLoopbackHttpServer(const CLoopbackHttpServer&) = delete;
    CLoopbackHttpServer& operator=(const CLoopbackHttpServer&) = delete;

    // Binds and starts the listening thread; false when the socket cannot be made.
    bool Start();
    // Ends the waits of every connection and joins all threads. Idempotent.
    void Stop();

    // The answer to a path (without its query); other paths get 404.
    void Route(const std::string& path, const HttpAnswer& answer);
    // "http://127.0.0.1:<port>" + path.
    CString Url(const char* path) const;
    USHORT Port() const { return m_port; }

    std::vector<HttpRequestSeen> Requests() const;
    // Requests whose path (without query) equals the text.
    std::vector<HttpRequestSeen> RequestsFor(const std::string& path) const;

private:
    void AcceptLoop();
    // Sockets as the header knows them: winsock2.h must come before windows.h, and
    // the tests include windows.h first.
    using Socket = UINT_PTR;

    void Serve(Socket client);
    // Sleeps up to ms; false when the server is stopping.
    bool Pause(DWORD ms) const;

    Socket m_listener = ~Socket(0);
    USHORT m_port = 0;
    HANDLE m_stopping = nullptr;
    bool m_wsaStarted = false;
    std::thread m_acceptThread;
    mutable std::mutex m_mutex;
    std::vector<std::thread> m_clients;
    std::vector<Socket> m_openClients;
    std::map<std::string, HttpAnswer> m_routes;
    std::vector<HttpRequestSeen> m_requests;
};

// The reason phrase of the status codes the tests use.
const char* HttpReason(int status);

}  // namespace testkit
