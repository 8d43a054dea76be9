#pragma once
// A test program can run a part of itself as a separate process: a second workstation,
// with its own windows and its own connection. An entry registered under a name runs when
// the program is started as
//     <test program> --subprocesso <name> [arguments...]
// after main() made the QApplication. Parent and child talk one line at a time: the
// parent writes to the child's standard input, the child answers with Responder(), and
// its standard output and error go to the parent's standard error.
#include <string>
#include <sys/types.h>
#include <vector>

using EntradaSubprocesso = int (*)(const std::vector<std::string>& argumentos);

// Registers an entry; meant for a static object of the test file.
struct RegistroSubprocesso {
    RegistroSubprocesso(const char* nome, EntradaSubprocesso entrada);
};

// Called by main(): when the program was started as a subprocess, runs the entry and
// gives its exit code; false otherwise.
bool ExecutarSubprocesso(int argc, char** argv, int& codigo);

// Inside an entry: the next line from the parent (false at the end of the input), and an
// answer to it.
bool LerComando(std::string& linha);
void Responder(const std::string& linha);

// Waits for a child process to end; kills it when it is still running after `limiteMs`.
void EsperarProcesso(pid_t pid, int limiteMs);

// The parent's handle of a running child.
class Subprocesso {
public:
    Subprocesso(const std::string& nome, const std::vector<std::string>& argumentos);
    ~Subprocesso();  // ends the child's input, waits for it a moment, then kills it
    Subprocesso(const Subprocesso&) = delete;
    Subprocesso& operator=(const Subprocesso&) = delete;

    void Enviar(const std::string& linha);
    // The child's next answer; throws when it ended or did not answer within the limit.
    std::string Receber(int limiteMs = 60000);

private:
    pid_t pid_ = -1;
    int entrada_ = -1;  // the child's standard input
    int saida_ = -1;    // its answers
    std::string pendente_;
};
