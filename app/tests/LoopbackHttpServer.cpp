#include "LoopbackHttpServer.h"

// Test scaffolding only: the product reaches the network through its operating-system seam.
// The socket calls are the same on both systems apart from start-up and closing.
#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using SocketHandle = SOCKET;
static void CloseSocket(SocketHandle s) { closesocket(s); }
static void StartSockets() {
  static bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
}
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using SocketHandle = int;
static void CloseSocket(SocketHandle s) { close(s); }
static void StartSockets() {}
#endif

#include <cstring>

namespace apptest {
namespace {

SocketHandle ListenOnLoopback(int& port) {
  StartSockets();
  SocketHandle s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  listen(s, 16);
  socklen_t length = sizeof address;
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
  port = ntohs(address.sin_port);
  return s;
}

// Waits up to 100 ms for the socket to become readable.
bool Readable(SocketHandle s) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(s, &set);
  timeval wait{0, 100000};
  return select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &wait) > 0;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(Mode mode) : m_mode(mode) {
  m_socket = static_cast<long long>(ListenOnLoopback(m_port));
  // A silent server only listens: the system completes the connections into the backlog and
  // nobody ever reads or answers them.
  if (m_mode == Mode::kServe) m_thread = std::thread([this] { Run(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
  CloseSocket(static_cast<SocketHandle>(m_socket));
}

std::string LoopbackHttpServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(m_port) + "/";
}

int LoopbackHttpServer::ClosedPort() {
  int port = 0;
  SocketHandle s = ListenOnLoopback(port);
  CloseSocket(s);
  return port;
}

void LoopbackHttpServer::Run() {
  SocketHandle listener = static_cast<SocketHandle>(m_socket);
  while (!m_stop) {
    if (!Readable(listener)) continue;
    SocketHandle client = accept(listener, nullptr, nullptr);
    std::string request;
    char buffer[2048];
    for (int waits = 0; request.find("\r\n\r\n") == std::string::npos && waits < 50; ++waits) {
      if (!Readable(client)) continue;
      int n = recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
    }
    ++m_requests;
    // "GET /path HTTP/1.1"
    size_t start = request.find(' ') + 1;
    std::string path = request.substr(start, request.find(' ', start) - start);
    auto found = m_bodies.find(path);
    std::string body = found != m_bodies.end() ? found->second : "<html>Not Found</html>";
    std::string head = found != m_bodies.end() ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n";
    std::string response = head + "Content-Type: text/xml\r\nContent-Length: " +
                           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    send(client, response.data(), static_cast<int>(response.size()), 0);
    CloseSocket(client);
  }
}

}  // namespace apptest
