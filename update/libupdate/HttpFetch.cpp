#include "HttpFetch.h"

#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <memory>

namespace libupdate {
namespace {

using Clock = std::chrono::steady_clock;

class Socket {
public:
    explicit Socket(int fd) : m_fd(fd) {}
    ~Socket() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

struct AddrInfoDeleter {
    void operator()(addrinfo* list) const { ::freeaddrinfo(list); }
};

int millisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until fd is ready for events; false on timeout or error.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    while (true) {
        const int left = millisecondsLeft(deadline);
        if (left == 0)
            return false;
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, left);
        if (ready > 0)
            return (entry.revents & (events | POLLHUP)) != 0;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

std::unique_ptr<Socket> connectTo(const addrinfo& candidate, Clock::time_point deadline) {
    const int fd =
        ::socket(candidate.ai_family, candidate.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, candidate.ai_protocol);
    if (fd < 0)
        return nullptr;
    auto socket = std::make_unique<Socket>(fd);
    if (::connect(fd, candidate.ai_addr, candidate.ai_addrlen) == 0)
        return socket;
    if (errno != EINPROGRESS || !waitFor(fd, POLLOUT, deadline))
        return nullptr;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0)
        return nullptr;
    return socket;
}

bool sendAll(int fd, const std::string& data, Clock::time_point deadline) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline))
                return false;
        } else {
            return false;
        }
    }
    return true;
}

std::optional<std::string> receiveAll(int fd, Clock::time_point deadline, std::size_t maxBytes) {
    std::string answer;
    char buffer[4096];
    while (true) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n == 0)
            return answer;
        if (n > 0) {
            answer.append(buffer, static_cast<std::size_t>(n));
            if (answer.size() > maxBytes)
                return std::nullopt;
        } else if (errno == EINTR) {
            continue;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitFor(fd, POLLIN, deadline))
                return std::nullopt;
        } else {
            return std::nullopt;
        }
    }
}

} // namespace

std::optional<std::string> fetchHttp(const HttpAddress& address, std::chrono::milliseconds timeout,
                                     std::size_t maxBytes) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found) != 0 || !found)
        return std::nullopt;
    const std::unique_ptr<addrinfo, AddrInfoDeleter> list(found);

    const Clock::time_point deadline = Clock::now() + timeout;
    for (const addrinfo* candidate = list.get(); candidate; candidate = candidate->ai_next) {
        const std::unique_ptr<Socket> socket = connectTo(*candidate, deadline);
        if (!socket)
            continue;
        if (!sendAll(socket->fd(), httpRequest(address), deadline))
            return std::nullopt;
        return receiveAll(socket->fd(), deadline, maxBytes);
    }
    return std::nullopt;
}

} // namespace libupdate
