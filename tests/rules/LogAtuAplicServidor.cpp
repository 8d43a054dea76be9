#include "LogAtuAplicServidor.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include "support/TestDb.h"

namespace {

std::string Minusculo(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Aparar(const std::string& s) {
    std::size_t i = 0, j = s.size();
    while (i < j && (s[i] == ' ' || s[i] == '\t')) ++i;
    while (j > i && (s[j - 1] == ' ' || s[j - 1] == '\t' || s[j - 1] == '\r')) --j;
    return s.substr(i, j - i);
}

void EnviarTudo(int fd, const std::string& s) {
    std::size_t feito = 0;
    while (feito < s.size()) {
        ssize_t n = ::send(fd, s.data() + feito, s.size() - feito, MSG_NOSIGNAL);
        if (n <= 0) return;
        feito += static_cast<std::size_t>(n);
    }
}

}  // namespace

std::string PedidoRecebido::Cabecalho(const std::string& nome) const {
    for (const auto& [n, v] : cabecalhos)
        if (n == nome) return v;
    return {};
}

ServidorHttpTeste::ServidorHttpTeste() {
    escuta_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (escuta_ < 0) throw std::runtime_error("socket");
    int um = 1;
    ::setsockopt(escuta_, SOL_SOCKET, SO_REUSEADDR, &um, sizeof um);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (::bind(escuta_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(escuta_, 8) != 0)
        throw std::runtime_error("bind/listen");
    socklen_t t = sizeof a;
    ::getsockname(escuta_, reinterpret_cast<sockaddr*>(&a), &t);
    porta_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { Laco(); });
}

ServidorHttpTeste::~ServidorHttpTeste() {
    parar_ = true;
    fim_.notify_all();
    if (thread_.joinable()) thread_.join();
    ::close(escuta_);
}

void ServidorHttpTeste::Responder(int status, std::string corpo, std::string tipo) {
    std::lock_guard<std::mutex> l(m_);
    status_ = status;
    corpo_ = std::move(corpo);
    tipo_ = std::move(tipo);
    calar_ = false;
    grande_ = 0;
}

void ServidorHttpTeste::ResponderGrande(std::size_t bytes, char c, bool comTamanho) {
    std::lock_guard<std::mutex> l(m_);
    calar_ = false;
    grande_ = bytes;
    caractereGrande_ = c;
    grandeComTamanho_ = comTamanho;
}

void ServidorHttpTeste::NaoResponder() {
    std::lock_guard<std::mutex> l(m_);
    calar_ = true;
}

std::vector<PedidoRecebido> ServidorHttpTeste::Pedidos() const {
    std::lock_guard<std::mutex> l(m_);
    return pedidos_;
}

void ServidorHttpTeste::Laco() {
    while (!parar_) {
        pollfd p{escuta_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        int fd = ::accept(escuta_, nullptr, nullptr);
        if (fd < 0) continue;
        ++conexoes_;
        Atender(fd);
        ::close(fd);
    }
}

void ServidorHttpTeste::Atender(int fd) {
    std::string dados;
    std::size_t fimCabecalho = std::string::npos;
    std::size_t tamanho = 0;
    auto ler = [&]() -> bool {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 2000) <= 0) return false;
        char buf[4096];
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return false;
        dados.append(buf, static_cast<std::size_t>(n));
        return true;
    };
    while ((fimCabecalho = dados.find("\r\n\r\n")) == std::string::npos)
        if (!ler()) return;
    PedidoRecebido pedido;
    const std::string cab = dados.substr(0, fimCabecalho);
    std::size_t ini = 0;
    bool primeira = true;
    while (ini <= cab.size()) {
        std::size_t fim = cab.find("\r\n", ini);
        if (fim == std::string::npos) fim = cab.size();
        const std::string linha = cab.substr(ini, fim - ini);
        if (primeira) {
            const std::size_t a = linha.find(' '), b = linha.rfind(' ');
            pedido.metodo = linha.substr(0, a);
            pedido.caminho = linha.substr(a + 1, b - a - 1);
            primeira = false;
        } else if (const std::size_t dp = linha.find(':'); dp != std::string::npos) {
            pedido.cabecalhos.emplace_back(Minusculo(Aparar(linha.substr(0, dp))), Aparar(linha.substr(dp + 1)));
        }
        ini = fim + 2;
    }
    if (const std::string cl = pedido.Cabecalho("content-length"); !cl.empty()) tamanho = std::stoul(cl);
    while (dados.size() < fimCabecalho + 4 + tamanho)
        if (!ler()) break;
    pedido.corpo = dados.substr(fimCabecalho + 4, tamanho);

    std::unique_lock<std::mutex> l(m_);
    pedidos_.push_back(pedido);
    if (calar_) {
        // Keep the client waiting until it gives up or the server stops.
        while (!parar_) {
            fim_.wait_for(l, std::chrono::milliseconds(20));
            pollfd p{fd, POLLIN, 0};
            char c;
            if (::poll(&p, 1, 0) > 0 && ::recv(fd, &c, 1, MSG_PEEK) <= 0) return;  // client gone
        }
        return;
    }
    if (grande_ > 0) {
        const std::size_t total = grande_;
        const std::string pedaco(64 * 1024, caractereGrande_);
        const std::string cab = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n" +
                                (grandeComTamanho_ ? "Content-Length: " + std::to_string(total) + "\r\n" : std::string()) +
                                "Connection: close\r\n\r\n";
        l.unlock();
        EnviarTudo(fd, cab);
        for (std::size_t enviado = 0; enviado < total;) {
            const std::size_t n = std::min(pedaco.size(), total - enviado);
            const ssize_t r = ::send(fd, pedaco.data(), n, MSG_NOSIGNAL);
            if (r <= 0) return;  // the client gave up
            enviado += static_cast<std::size_t>(r);
        }
        return;
    }
    const std::string resposta = "HTTP/1.1 " + std::to_string(status_) + " X\r\nContent-Type: " + tipo_ +
                                 "\r\nContent-Length: " + std::to_string(corpo_.size()) +
                                 "\r\nConnection: close\r\n\r\n" + corpo_;
    l.unlock();
    EnviarTudo(fd, resposta);
}

std::string CampoFormulario(const std::string& corpo, const std::string& nome) {
    std::size_t i = 0;
    while (i <= corpo.size()) {
        std::size_t fim = corpo.find('&', i);
        if (fim == std::string::npos) fim = corpo.size();
        const std::string par = corpo.substr(i, fim - i);
        const std::size_t ig = par.find('=');
        if (par.substr(0, ig) == nome) {
            std::string v = ig == std::string::npos ? std::string() : par.substr(ig + 1), r;
            for (std::size_t k = 0; k < v.size(); ++k) {
                if (v[k] == '+') r += ' ';
                else if (v[k] == '%' && k + 2 < v.size()) {
                    r += static_cast<char>(std::strtol(v.substr(k + 1, 2).c_str(), nullptr, 16));
                    k += 2;
                } else r += v[k];
            }
            return r;
        }
        i = fim + 1;
    }
    return "<ausente>";
}

TestDb& BancoEmpresa() {
    static TestDb* b = [] {
        auto* t = new TestDb;
        t->Exec("create table CONFIG (NOME_EMPRESA varchar(60))");
        return t;
    }();
    return *b;
}

void DefinirEmpresa(const std::string& nome) {
    BancoEmpresa().Exec("delete from CONFIG");
    BancoEmpresa().Exec("insert into CONFIG values ('" + nome + "')");
}
