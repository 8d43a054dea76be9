#pragma once
// A loopback port that takes connections and never answers, as a stuck server or a
// firewall that swallows packets: the kernel completes the handshake, nobody reads.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

class ServidorMudo {
public:
    ServidorMudo() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(fd_, 16) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &n) != 0)
            throw std::runtime_error("loopback socket");
        porta_ = ntohs(a.sin_port);
    }
    ~ServidorMudo() { ::close(fd_); }
    ServidorMudo(const ServidorMudo&) = delete;
    ServidorMudo& operator=(const ServidorMudo&) = delete;

    // A database location on it ("127.0.0.1/port:path").
    std::string Local(const std::string& caminho = "/srv/pravolt/PRAVOLT.FDB") const {
        return "127.0.0.1/" + std::to_string(porta_) + ":" + caminho;
    }

private:
    int fd_ = -1;
    int porta_ = 0;
};
