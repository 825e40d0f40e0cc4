#include "network/corvidwebserver/webserver.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <list>
#include <map>
#include <new>
#include <utility>

#include "network/corvidwebserver/http_text.h"
#include "network/corvidwebserver/request_reader.h"
#include "network/corvidwebserver/socket.h"

namespace {

// A thread with a stack of a given size (std::thread cannot choose it), named, joined by its
// owner.
class SmallStackThread {
 public:
  SmallStackThread() = default;
  ~SmallStackThread() { join(); }
  SmallStackThread(const SmallStackThread&) = delete;
  SmallStackThread& operator=(const SmallStackThread&) = delete;

  // False when the system cannot make another thread.
  bool start(const char* name, size_t stackBytes, std::function<void()> body) {
    auto* task = new Task{name, std::move(body)};
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) {
      delete task;
      return false;
    }
    pthread_attr_setstacksize(&attributes, stackBytes);
    const int made = pthread_create(&thread_, &attributes, &SmallStackThread::run, task);
    pthread_attr_destroy(&attributes);
    if (made != 0) {
      delete task;
      return false;
    }
    joinable_ = true;
    return true;
  }

  void join() {
    if (joinable_) pthread_join(thread_, nullptr);
    joinable_ = false;
  }

 private:
  struct Task {
    const char* name;
    std::function<void()> body;
  };

  static void* run(void* argument) {
    std::unique_ptr<Task> task(static_cast<Task*>(argument));
    pthread_setname_np(pthread_self(), task->name);
    task->body();
    return nullptr;
  }

  pthread_t thread_{};
  bool joinable_ = false;
};

void signalEvent(int event) {
  const uint64_t one = 1;
  // A full counter is signalled already; nothing else can fail here.
  [[maybe_unused]] const ssize_t n = ::write(event, &one, sizeof one);
}

void resetEvent(int event) {
  uint64_t count;
  [[maybe_unused]] const ssize_t n = ::read(event, &count, sizeof count);
}

// Each connection holds a descriptor: the process's soft limit is raised (within its hard limit)
// so that the cap on connections, not the descriptor table, is what refuses a client.
void allowDescriptors(size_t connections) {
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return;
  const rlim_t wanted = static_cast<rlim_t>(connections) + 256;
  if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= wanted) return;
  limit.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, limit.rlim_max);
  setrlimit(RLIMIT_NOFILE, &limit);
}

// Time to wait before accepting again when the process is out of descriptors or memory.
constexpr int kExhaustedPauseMs = 100;
// After a refusal the client may still be sending what was refused; reading it for a while lets
// the refusal reach the client instead of being lost to a reset.
constexpr auto kRefusalLinger = std::chrono::seconds(1);
constexpr size_t kRefusalDrainBytes = 2 * 1024 * 1024;

}  // namespace

struct webserver::Connection {
  Socket socket;
  std::string address;  // the client's, as counted in AcceptState::perAddress
  SmallStackThread thread;
};

// What the accept loop shares with its connection threads.
struct webserver::AcceptState {
  std::list<Connection> openConnections;     // accept loop only
  std::map<std::string, size_t> perAddress;  // live connections by client address; accept loop
  std::mutex finishedMutex;
  std::vector<std::list<Connection>::iterator> finished;  // guarded by finishedMutex
  int wakeEvent = -1;

  // Joins and removes the connections whose threads have ended.
  void reap() {
    std::vector<std::list<Connection>::iterator> done;
    {
      std::lock_guard<std::mutex> lock(finishedMutex);
      done.swap(finished);
    }
    for (const auto& entry : done) {
      entry->thread.join();
      forget(entry->address);
      openConnections.erase(entry);
    }
  }

  size_t connectionsOf(const std::string& address) const {
    const auto it = perAddress.find(address);
    return it == perAddress.end() ? 0 : it->second;
  }

  void forget(const std::string& address) {
    const auto it = perAddress.find(address);
    if (it != perAddress.end() && --it->second == 0) perAddress.erase(it);
  }
};

webserver::webserver(Handler handler, int port) : webserver(std::move(handler), port, Limits()) {}

webserver::webserver(Handler handler, int port, Limits limits)
    : handler(std::move(handler)), port(port), limits(limits) {}

webserver::~webserver() { stop(); }

bool webserver::start() {
  if (acceptThread.joinable()) return false;
  allowDescriptors(limits.maxConnections);
  stopEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  wakeEvent = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  std::unique_ptr<SocketServer> server;
  if (stopEvent >= 0 && wakeEvent >= 0) server = SocketServer::listenOn(port, stopEvent);
  if (server) {
    std::lock_guard<std::mutex> lock(mutex);
    // Registered before start returns, so that a stop right after start finds it.
    listener = server.get();
    boundPort = server->localPort();
    try {
      acceptThread =
          std::thread(&webserver::acceptLoop, this, std::move(server), stopEvent, wakeEvent);
      return true;
    } catch (const std::system_error&) {
      listener = nullptr;
      boundPort = 0;
    }
  }
  if (stopEvent >= 0) ::close(stopEvent);
  if (wakeEvent >= 0) ::close(wakeEvent);
  stopEvent = wakeEvent = -1;
  return false;
}

void webserver::stop() {
  {
    std::lock_guard<std::mutex> lock(mutex);
    if (listener) listener->close();
    boundPort = 0;
    if (stopEvent >= 0) signalEvent(stopEvent);
  }
  if (acceptThread.joinable()) acceptThread.join();
  if (stopEvent >= 0) ::close(stopEvent);
  if (wakeEvent >= 0) ::close(wakeEvent);
  stopEvent = wakeEvent = -1;
}

int webserver::listeningPort() const {
  std::lock_guard<std::mutex> lock(mutex);
  return boundPort;
}

void webserver::acceptLoop(std::unique_ptr<SocketServer> server, int stopEvent, int wakeEvent) {
  pthread_setname_np(pthread_self(), "http-accept");
  AcceptState state;
  state.wakeEvent = wakeEvent;
  bool exhausted = false;
  bool broken = false;
  while (!broken) {
    // While out of descriptors the listener is left alone for a moment; a finished connection
    // ends the pause early.
    pollfd fds[3] = {{stopEvent, POLLIN, 0}, {wakeEvent, POLLIN, 0}, {server->fd(), POLLIN, 0}};
    const int ready = ::poll(fds, exhausted ? 2 : 3, exhausted ? kExhaustedPauseMs : -1);
    if (ready < 0 && errno != EINTR) break;
    if (fds[0].revents != 0 || !server->isValid()) break;
    if (fds[1].revents != 0) resetEvent(wakeEvent);
    state.reap();
    exhausted = false;
    for (;;) {
      Socket socket;
      const SocketServer::Accept accepted = server->accept(socket);
      if (accepted == SocketServer::Accept::Exhausted) exhausted = true;
      if (accepted == SocketServer::Accept::Failed) broken = true;
      if (accepted != SocketServer::Accept::Connection) break;
      debugLog("Accepting success " + socket.peerText());
      const std::string address = socket.peerAddress();
      const auto full = [&] {
        return state.openConnections.size() >= limits.maxConnections ||
               state.connectionsOf(address) >= limits.maxConnectionsPerAddress;
      };
      // Under a flood of connections, places freed meanwhile count before one is refused.
      if (full()) state.reap();
      if (full()) {
        debugLog("Too many connections: closing " + socket.peerText());
        continue;  // the socket closes as it goes
      }
      if (!startConnection(state, socket, address)) {
        debugLog("No thread for " + socket.peerText());
        exhausted = true;
        break;
      }
    }
  }
  // Every connection thread sees the stop event in its waits; a thread inside the handler is
  // waited for until the handler returns.
  for (Connection& connection : state.openConnections) connection.thread.join();
  state.openConnections.clear();
  std::lock_guard<std::mutex> lock(mutex);
  listener = nullptr;
  boundPort = 0;
}

bool webserver::startConnection(AcceptState& state, const Socket& socket,
                                const std::string& address) {
  std::list<Connection>::iterator entry;
  bool added = false;
  bool counted = false;
  try {
    state.openConnections.emplace_back();
    entry = std::prev(state.openConnections.end());
    added = true;
    entry->socket = socket;
    entry->address = address;
    ++state.perAddress[address];
    counted = true;
    const bool started = entry->thread.start(
        "http-conn", kConnectionStackBytes, [this, socket, entry, &state]() mutable {
          try {
            serveConnection(std::move(socket));
          } catch (const std::exception& e) {  // out of memory: this connection alone fails
            debugLog(std::string("Connection failed: ") + e.what());
          }
          {
            std::lock_guard<std::mutex> lock(state.finishedMutex);
            state.finished.push_back(entry);
          }
          signalEvent(state.wakeEvent);
        });
    if (started) return true;
  } catch (const std::bad_alloc&) {
  }
  if (added) {
    if (counted) state.forget(address);
    state.openConnections.erase(entry);
  }
  return false;
}

void webserver::serveConnection(Socket socket) {
  socket.setDeadline(Socket::Clock::now() + limits.receiveTimeout);
  socket.setSendTimeout(limits.sendTimeout);
  http_request request;
  request.connection = &socket;
  const RequestRead outcome = readRequest(socket, request, limits);
  switch (outcome) {
    case RequestRead::Complete:
      try {
        handler(&request);
      } catch (const std::exception& e) {
        debugLog(std::string("Request handler failed: ") + e.what());
        request = http_request{};
        request.connection = &socket;
        request.status = "500 Internal Server Error";
      } catch (...) {
        debugLog("Request handler failed");
        request = http_request{};
        request.connection = &socket;
        request.status = "500 Internal Server Error";
      }
      respond(socket, request, false);
      return;
    case RequestRead::Empty:
    case RequestRead::Idle:
      debugLog("Request empty line :(");
      return;
    case RequestRead::Stopped:
      return;
    default: {
      http_request refusal;
      refusal.connection = &socket;
      refusal.status = refusalStatus(outcome);
      debugLog("Request refused: " + refusal.status);
      respond(socket, refusal, true);
      return;
    }
  }
}

void webserver::respond(Socket& socket, http_request& request, bool lingerLong) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const int64_t ticks = std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() / 100;
  socket.sendBytes(buildResponse(request, ticks));
  // Half-close, then read what the client still sends, so that the kernel does not answer
  // unread bytes with a reset that could destroy the response on its way.
  socket.shutdownSending();
  socket.drain(lingerLong ? kRefusalDrainBytes : limits.maxHeaderBytes,
               lingerLong ? Socket::Clock::now() + kRefusalLinger : Socket::Clock::now());
  socket.close();
}

void setResponseHeader(webserver::http_request* request, const std::string& name,
                       const std::string& value) {
  request->answerHeaders.insert_or_assign(name, value);
}

void debugLog(std::string_view text) {
  if (std::getenv("VIXO_DEBUG") == nullptr) return;
  std::string line;
  line.reserve(text.size() + 1);
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    // Bytes from the network must not drive the terminal.
    line += (byte < 0x20 && c != '\t' && c != '\r' && c != '\n') || byte == 0x7F ? '?' : c;
  }
  line += '\n';
  // One write per line, so that lines of concurrent threads do not mix.
  for (std::string_view rest = line; !rest.empty();) {
    const ssize_t n = ::write(STDERR_FILENO, rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    rest.remove_prefix(static_cast<size_t>(n));
  }
}
