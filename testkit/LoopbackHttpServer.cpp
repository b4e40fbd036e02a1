// winsock2.h before windows.h, which the header includes.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "testkit/LoopbackHttpServer.h"

#include <algorithm>

namespace testkit {

namespace {

// A request head longer than this is not one of ours: the connection is dropped.
constexpr size_t kMaxHeadBytes = 64 * 1024;
// Bounds every receive, so that a client that sends nothing cannot hold a thread.
constexpr DWORD kReceiveTimeoutMs = 10000;

bool SendAll(SOCKET socket, const char* data, size_t length) {
    while (length > 0) {
        int sent = send(socket, data, static_cast<int>(std::min<size_t>(length, 64 * 1024)), 0);
        if (sent <= 0) return false;
        data += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

std::string HeaderValue(const std::string& head, const char* name) {
    std::string lower = head;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return static_cast<char>(tolower(c)); });
    std::string key = std::string("\r\n") + name + ":";
    std::transform(key.begin(), key.end(), key.begin(), [](char c) { return static_cast<char>(tolower(c)); });
    size_t at = lower.find(key);
    if (at == std::string::npos) return std::string();
    size_t start = at + key.size();
    size_t end = head.find("\r\n", start);
    std::string value = head.substr(start, end == std::string::npos ? std::string::npos : end - start);
    size_t first = value.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : value.substr(first);
}

std::string PathOf(const std::string& target) {
    size_t query = target.find('?');
    return query == std::string::npos ? target : target.substr(0, query);
}

}  // namespace

const char* HttpReason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

CLoopbackHttpServer::CLoopbackHttpServer() : m_stopping(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CLoopbackHttpServer::~CLoopbackHttpServer() {
    Stop();
    if (m_stopping) CloseHandle(m_stopping);
    if (m_wsaStarted) WSACleanup();
}

bool CLoopbackHttpServer::Start() {
    WSADATA data;
    if (!m_wsaStarted) {
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
        m_wsaStarted = true;
    }
    m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_listener == INVALID_SOCKET) return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(m_listener, SOMAXCONN) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(m_listener);
        m_listener = INVALID_SOCKET;
        return false;
    }
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
    return true;
}

void CLoopbackHttpServer::Stop() {
    if (m_stopping) SetEvent(m_stopping);
    // Closing the sockets ends the blocking accept and receives.
    if (m_listener != INVALID_SOCKET) {
        closesocket(m_listener);
        m_listener = INVALID_SOCKET;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (SOCKET client : m_openClients) shutdown(client, SD_BOTH);
    }
    if (m_acceptThread.joinable()) m_acceptThread.join();
    std::vector<std::thread> clients;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        clients.swap(m_clients);
    }
    for (std::thread& client : clients) client.join();
}

void CLoopbackHttpServer::Route(const std::string& path, const HttpAnswer& answer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_routes[path] = answer;
}

CString CLoopbackHttpServer::Url(const char* path) const {
    CString url;
    url.Format(L"http://127.0.0.1:%u%S", static_cast<unsigned>(m_port), path);
    return url;
}

std::vector<HttpRequestSeen> CLoopbackHttpServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

std::vector<HttpRequestSeen> CLoopbackHttpServer::RequestsFor(const std::string& path) const {
    std::vector<HttpRequestSeen> found;
    for (const HttpRequestSeen& request : Requests())
        if (PathOf(request.target) == path) found.push_back(request);
    return found;
}

bool CLoopbackHttpServer::Pause(DWORD ms) const {
    return WaitForSingleObject(m_stopping, ms) == WAIT_TIMEOUT;
}

void CLoopbackHttpServer::AcceptLoop() {
    for (;;) {
        SOCKET client = accept(m_listener, nullptr, nullptr);
        if (client == INVALID_SOCKET) return;
        if (WaitForSingleObject(m_stopping, 0) == WAIT_OBJECT_0) {
            closesocket(client);
            return;
        }
        std::lock_guard<std::mutex> lock(m_mutex);
        m_openClients.push_back(client);
        m_clients.emplace_back([this, client] { Serve(client); });
    }
}

void CLoopbackHttpServer::Serve(Socket client) {
    DWORD timeout = kReceiveTimeoutMs;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHeadBytes) {
        int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        head.append(buffer, static_cast<size_t>(got));
    }
    HttpRequestSeen seen;
    size_t lineEnd = head.find("\r\n");
    std::string line = head.substr(0, lineEnd);
    size_t space1 = line.find(' ');
    size_t space2 = space1 == std::string::npos ? std::string::npos : line.find(' ', space1 + 1);
    bool complete = head.find("\r\n\r\n") != std::string::npos && space2 != std::string::npos;
    if (complete) {
        seen.method = line.substr(0, space1);
        seen.target = line.substr(space1 + 1, space2 - space1 - 1);
        seen.userAgent = HeaderValue(head, "User-Agent");
    }
    HttpAnswer answer;
    answer.status = 404;
    answer.body = "not found";
    answer.contentType = "text/plain";
    if (complete) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(seen);
        auto route = m_routes.find(PathOf(seen.target));
        if (route != m_routes.end()) answer = route->second;
    }
    if (complete && answer.neverAnswer) {
        WaitForSingleObject(m_stopping, INFINITE);
    } else if (complete) {
        if (!answer.refuseAgentPrefix.empty() &&
            seen.userAgent.compare(0, answer.refuseAgentPrefix.size(), answer.refuseAgentPrefix) == 0) {
            answer = HttpAnswer();
            answer.status = 403;
            answer.contentType = "text/plain";
            answer.body = "refused";
        }
        std::string reply = "HTTP/1.1 " + std::to_string(answer.status) + " " + HttpReason(answer.status) + "\r\n";
        reply += "Content-Type: " + answer.contentType + "\r\n";
        if (answer.sendContentLength) {
            long long length =
                answer.announcedLength >= 0 ? answer.announcedLength : static_cast<long long>(answer.body.size());
            reply += "Content-Length: " + std::to_string(length) + "\r\n";
        }
        for (const std::string& header : answer.headers) reply += header + "\r\n";
        reply += "Connection: close\r\n\r\n";
        size_t bodyBytes = answer.body.size();
        if (answer.dropAfter >= 0) bodyBytes = std::min(bodyBytes, static_cast<size_t>(answer.dropAfter));
        bool sent = SendAll(client, reply.data(), reply.size());
        if (seen.method == "HEAD") bodyBytes = 0;
        size_t chunk = answer.chunkBytes ? answer.chunkBytes : bodyBytes;
        for (size_t at = 0; sent && at < bodyBytes; at += chunk) {
            sent = SendAll(client, answer.body.data() + at, std::min(chunk, bodyBytes - at));
            if (answer.pauseMs && sent) sent = Pause(answer.pauseMs);
        }
    }
    shutdown(client, SD_SEND);
    // Reads what the client still sends, so that the close does not reset the connection
    // before the client has read the answer.
    while (recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_openClients.erase(std::remove(m_openClients.begin(), m_openClients.end(), client), m_openClients.end());
    closesocket(client);
}

}  // namespace testkit
