#include "shell/EncerramentoQt.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/SinaisTermino.h"
#include "shell/MensagensQt.h"

TEncerramentoPorSinal::TEncerramentoPorSinal(QObject* parent) : QObject(parent) {
    const int fd = plat::InstalarSinaisTermino();
    if (fd < 0) return;
    notificador_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notificador_, &QSocketNotifier::activated, this, &TEncerramentoPorSinal::Atender);
}

void TEncerramentoPorSinal::Atender() {
    const int s = plat::LerPedidosTermino();
    if (s == 0 || sinal_ != 0) return;
    sinal_ = s;
    const char* nome = s > 0 ? sigabbrev_np(s) : nullptr;
    const std::string motivo = nome ? std::string("SIG") + nome + " received" : "termination requested";
    std::fprintf(stderr, "pravolt: %s, ending\n", motivo.c_str());
    std::fflush(stderr);
    static plat::MensagensEncerramento mensagens;
    plat::DefinirMensagens(&mensagens);
    QCoreApplication::exit(0);
}
