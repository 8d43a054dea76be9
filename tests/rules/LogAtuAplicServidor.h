#pragma once
// A tiny HTTP server on 127.0.0.1 (a free port) for the update log tests: it records each
// request and answers every one with the reply set by the test, or never answers.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct PedidoRecebido {
    std::string metodo;
    std::string caminho;
    std::vector<std::pair<std::string, std::string>> cabecalhos;  // names in lower case
    std::string corpo;
    std::string Cabecalho(const std::string& nomeMinusculo) const;
};

class ServidorHttpTeste {
public:
    ServidorHttpTeste();
    ~ServidorHttpTeste();

    int Porta() const { return porta_; }
    std::string Endereco() const { return "127.0.0.1:" + std::to_string(porta_); }

    // The reply to every request from now on.
    void Responder(int status, std::string corpo, std::string tipo = "application/json");
    // Answers 200 with `bytes` copies of `c`, sent in pieces (never held whole), with or
    // without a declared length.
    void ResponderGrande(std::size_t bytes, char c, bool comTamanho);
    // Reads the request and keeps the connection open without answering.
    void NaoResponder();

    std::vector<PedidoRecebido> Pedidos() const;
    int Conexoes() const { return conexoes_.load(); }

private:
    void Laco();
    void Atender(int fd);

    int escuta_ = -1;
    int porta_ = 0;
    std::atomic<bool> parar_{false};
    std::atomic<int> conexoes_{0};
    mutable std::mutex m_;
    std::condition_variable fim_;
    int status_ = 200;
    std::string corpo_;
    std::string tipo_ = "application/json";
    bool calar_ = false;
    std::size_t grande_ = 0;
    char caractereGrande_ = ' ';
    bool grandeComTamanho_ = false;
    std::vector<PedidoRecebido> pedidos_;
    std::thread thread_;
};

// "a=1&b=x+y" -> value of one field, decoded (for checking what was posted).
std::string CampoFormulario(const std::string& corpo, const std::string& nome);

// The installation the log window asks for: a database with CONFIG, shared by the tests,
// and the system services on it (installed while they live).
class TestDb;
TestDb& BancoEmpresa();
void DefinirEmpresa(const std::string& nome);
