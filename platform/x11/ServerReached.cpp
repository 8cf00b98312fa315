// Which X server the connection reached, named the same however DISPLAY spelled it: the
// name of the single-instance lock (Process.cpp).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/posix/WaylandSession.h"
#include "platform/x11/X11Platform.h"

namespace x11 {
namespace {

constexpr int TcpPortBase = 6000;  // display N listens on TCP port 6000 + N

union SocketAddress {
    sockaddr any;
    sockaddr_storage storage;
    sockaddr_un local;
    sockaddr_in v4;
    sockaddr_in6 v6;
};

bool IsLoopback(const SocketAddress& address) {
    if (address.any.sa_family == AF_INET) return (ntohl(address.v4.sin_addr.s_addr) >> 24) == 127;
    const in6_addr& v6 = address.v6.sin6_addr;
    return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
}

bool SameHost(const SocketAddress& a, const SocketAddress& b) {
    if (a.any.sa_family != b.any.sa_family) return false;
    if (a.any.sa_family == AF_INET) return a.v4.sin_addr.s_addr == b.v4.sin_addr.s_addr;
    return IN6_ARE_ADDR_EQUAL(&a.v6.sin6_addr, &b.v6.sin6_addr);
}

// A server's local socket, "/tmp/.X11-unix/X3" (on Linux also under an abstract name,
// with a leading 0 byte) -> "local:3"; "" for any other path.
std::string LocalServer(const SocketAddress& peer, socklen_t size) {
    const std::size_t length =
        std::min<std::size_t>(size - offsetof(sockaddr_un, sun_path), sizeof peer.local.sun_path);
    std::string_view path(peer.local.sun_path, length);
    if (!path.empty() && path[0] == '\0') path.remove_prefix(1);
    path = path.substr(0, path.find('\0'));
    const auto x = path.rfind("/X");
    if (x == std::string_view::npos || x + 2 == path.size()) return "";
    const std::string_view number = path.substr(x + 2);
    if (number.find_first_not_of("0123456789") != std::string_view::npos) return "";
    return "local:" + std::string(number);
}

// A server over TCP: "local:N" when it runs on this host, else "<address>:N".
std::string TcpServer(int connection, const SocketAddress& peer) {
    const bool v4 = peer.any.sa_family == AF_INET;
    const int port = ntohs(v4 ? peer.v4.sin_port : peer.v6.sin6_port);
    if (port < TcpPortBase) return "";
    SocketAddress self{};
    socklen_t selfSize = sizeof self;
    const bool here = IsLoopback(peer) ||
                      (getsockname(connection, &self.any, &selfSize) == 0 && SameHost(peer, self));
    char host[INET6_ADDRSTRLEN] = "local";
    if (!here && inet_ntop(peer.any.sa_family,
                           v4 ? static_cast<const void*>(&peer.v4.sin_addr) : &peer.v6.sin6_addr,
                           host, sizeof host) == nullptr)
        return "";
    return std::string(host) + ":" + std::to_string(port - TcpPortBase);
}

}  // namespace

std::string ServerReached() {
    const int connection = ConnectionNumber(X().display);
    SocketAddress peer{};
    socklen_t size = sizeof peer;
    std::string name;
    if (getpeername(connection, &peer.any, &size) == 0) {
        if (peer.any.sa_family == AF_UNIX) name = LocalServer(peer, size);
        if (peer.any.sa_family == AF_INET || peer.any.sa_family == AF_INET6)
            name = TcpServer(connection, peer);
    }
    if (!name.empty()) return name;
    // Another transport: the display's name as given, without its screen number.
    name = DisplayString(X().display);
    const auto colon = name.rfind(':');
    const auto dot = name.find('.', colon == std::string::npos ? 0 : colon);
    if (dot != std::string::npos) name.erase(dot);
    return name;
}

}  // namespace x11

namespace x11::api {

// NOTE: under a Wayland session the lock is the session's, which a copy that runs the
// native Wayland backend takes too; on its own X server, the server's.
std::string SessionName() {
    return waylandsession::Name().value_or(ServerReached());
}

}  // namespace x11::api
