#include "shell/MensagensQt.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/Executavel.h"

namespace plat {
namespace {

// The answer of a message nobody answered: the one that lets nothing go on.
Resposta RespostaNegativa(Botoes b) {
    return b == Botoes::SimNao ? Resposta::Nao : b == Botoes::OkCancelar ? Resposta::Cancelar : Resposta::Ok;
}

void EscreverLinha(const Mensagem& m) {
    const char* tipo = "Informacao";
    switch (m.tipo) {
        case TipoMensagem::Informacao: tipo = "Informacao"; break;
        case TipoMensagem::Aviso: tipo = "Aviso"; break;
        case TipoMensagem::Erro: tipo = "Erro"; break;
        case TipoMensagem::Pergunta: tipo = "Pergunta"; break;
    }
    std::fprintf(stderr, "%s|%s|%s\n", tipo, m.titulo.c_str(), m.texto.c_str());
    std::fflush(stderr);
}

}  // namespace

Resposta MensagensQt::Mostrar(const Mensagem& m) {
    QMessageBox::Icon icone = QMessageBox::Information;
    switch (m.tipo) {
        case TipoMensagem::Informacao: icone = QMessageBox::Information; break;
        case TipoMensagem::Aviso: icone = QMessageBox::Warning; break;
        case TipoMensagem::Erro: icone = QMessageBox::Critical; break;
        case TipoMensagem::Pergunta: icone = QMessageBox::Question; break;
    }
    QMessageBox::StandardButtons botoes = QMessageBox::Ok;
    if (m.botoes == Botoes::OkCancelar) botoes = QMessageBox::Ok | QMessageBox::Cancel;
    if (m.botoes == Botoes::SimNao) botoes = QMessageBox::Yes | QMessageBox::No;

    QMessageBox box(icone, QString::fromStdString(m.titulo), QString::fromStdString(m.texto), botoes,
                    QApplication::activeWindow());
    if (auto* b = box.button(QMessageBox::Cancel)) b->setText(QStringLiteral("Cancelar"));
    if (auto* b = box.button(QMessageBox::Yes)) b->setText(QStringLiteral("&Sim"));
    if (auto* b = box.button(QMessageBox::No)) b->setText(QStringLiteral("&Não"));
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
        case QMessageBox::Ok: return Resposta::Ok;
        case QMessageBox::Cancel: return Resposta::Cancelar;
        case QMessageBox::Yes: return Resposta::Sim;
        case QMessageBox::No: return Resposta::Nao;
        default: return RespostaNegativa(m.botoes);
    }
}

Resposta MensagensTexto::Mostrar(const Mensagem& m) {
    EscreverLinha(m);
    return m.botoes == Botoes::SimNao ? Resposta::Sim : Resposta::Ok;
}

Resposta MensagensEncerramento::Mostrar(const Mensagem& m) {
    EscreverLinha(m);
    return RespostaNegativa(m.botoes);
}

IMensagens& InstalarMensagensPrograma() {
    static MensagensQt caixas;
    static MensagensTexto texto;
    const char* v = std::getenv("PRAVOLT_MENSAGENS");
    IMensagens* sink = (v && std::strcmp(v, "stderr") == 0) ? static_cast<IMensagens*>(&texto) : &caixas;
    DefinirMensagens(sink);
    return *sink;
}

AplicacaoQt::AplicacaoQt(int& argc, char** argv) : QApplication(argc, argv) {
    // After QApplication, which has set the locale from the environment.
    AdotarLocaleUtf8();
}

bool AplicacaoQt::notify(QObject* receptor, QEvent* evento) {
    try {
        return QApplication::notify(receptor, evento);
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        RelatarErro(e);
    } catch (...) {
        RelatarErroDesconhecido();
    }
    return false;
}

}  // namespace plat
