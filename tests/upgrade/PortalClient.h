// The Windows tests' side of the local test portal (tools/portal): its address comes from
// LUDORA_PORTAL, set by the portal's wrapper; routes and the request log go through its
// control routes over a plain socket, so that WinINet's own state stays untouched.
#pragma once

#include "classlib/SysUtils.h"

#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace uptest {

class TPortalClient {
public:
    TPortalClient()
    {
        WSADATA data;
        started_ = WSAStartup(MAKEWORD(2, 2), &data) == 0;
        const char* base = std::getenv("LUDORA_PORTAL"); // "http://127.0.0.1:port"
        if (base) {
            base_ = base;
            port_ = std::atoi(base_.substr(base_.rfind(':') + 1).c_str());
        }
    }
    ~TPortalClient()
    {
        if (started_)
            WSACleanup();
    }
    TPortalClient(const TPortalClient&) = delete;
    TPortalClient& operator=(const TPortalClient&) = delete;

    bool Available() const { return port_ != 0; }
    int Port() const { return port_; }
    cl::AnsiString URL(const cl::AnsiString& path, int port = 0) const
    {
        return "http://127.0.0.1:" + std::to_string(port ? port : port_) + path;
    }

    // fields: the JSON members of a scenario after "path", e.g. R"("status": 404)".
    bool SetRoute(const cl::AnsiString& path, const cl::AnsiString& fields = "")
    {
        const cl::AnsiString body = "{\"path\": \"" + path + "\"" + (fields.empty() ? "" : ", " + fields) + "}";
        return Request("POST", "/_portal/route", body).find("\"ok\"") != cl::AnsiString::npos;
    }
    // Lets the held answers of a route (scenario field "hold_at") go on.
    bool Release(const cl::AnsiString& path)
    {
        return Request("POST", "/_portal/release", "{\"path\": \"" + path + "\"}").find("\"ok\"") != cl::AnsiString::npos;
    }
    // One "METHOD PATH STATUS SENT auth|-" line per request so far. Waits (up to 5 s) for
    // answers still being written, held ones included.
    std::vector<cl::AnsiString> Log()
    {
        std::vector<cl::AnsiString> lines;
        cl::AnsiString text = Request("GET", "/_portal/log?format=lines", "");
        for (std::size_t at; (at = text.find('\n')) != cl::AnsiString::npos; text.erase(0, at + 1))
            lines.push_back(text.substr(0, at));
        return lines;
    }
    // Another listening port of the same portal (WinINet caches logins per host and port).
    int AddPort()
    {
        const cl::AnsiString answer = Request("POST", "/_portal/port", "{}");
        const auto at = answer.find("\"port\": ");
        return at == cl::AnsiString::npos ? 0 : std::atoi(answer.c_str() + at + 8);
    }

private:
    // The answer's body; empty on any failure.
    cl::AnsiString Request(const char* method, const cl::AnsiString& path, const cl::AnsiString& body) const
    {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (s == INVALID_SOCKET)
            return {};
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(static_cast<u_short>(port_));
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        cl::AnsiString answer;
        if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            const cl::AnsiString request = cl::AnsiString(method) + " " + path +
                                           " HTTP/1.0\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n"
                                           "Content-Length: " +
                                           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
            send(s, request.data(), static_cast<int>(request.size()), 0);
            char buffer[4096];
            for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;)
                answer.append(buffer, static_cast<std::size_t>(n));
        }
        closesocket(s);
        const auto split = answer.find("\r\n\r\n");
        return split == cl::AnsiString::npos ? cl::AnsiString() : answer.substr(split + 4);
    }

    bool started_ = false;
    cl::AnsiString base_;
    int port_ = 0;
};

} // namespace uptest
