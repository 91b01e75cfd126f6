// A tiny HTTP server on 127.0.0.1 for the download tests, running on a thread of the test
// executable (so the Windows build under Wine reaches it as well). It serves fixed bodies by
// path, or stays silent: accepting connections into the backlog and never answering.
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <thread>

namespace apptest {

class LoopbackHttpServer {
 public:
  enum class Mode { kServe, kSilent };

  explicit LoopbackHttpServer(Mode mode = Mode::kServe);
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // Paths without a body answer 404. Set before the first request.
  void Serve(const std::string& path, const std::string& body) { m_bodies[path] = body; }

  int Port() const { return m_port; }
  // "http://127.0.0.1:<port>/"
  std::string BaseUrl() const;
  int RequestCount() const { return m_requests; }

  // A loopback port that nothing listens on (taken and given back at once).
  static int ClosedPort();

 private:
  void Run();

  Mode m_mode;
  long long m_socket = -1;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_requests{0};
  std::map<std::string, std::string> m_bodies;
  std::thread m_thread;
};

}  // namespace apptest
