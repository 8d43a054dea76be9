// The program's message boxes: icon, caption, text and buttons as asked.
#include "shell/MensagensQt.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include <functional>

namespace {

struct CaixaVista {
    QMessageBox::Icon icone = QMessageBox::NoIcon;
    QString titulo, texto;
    QStringList botoes;
};

// Shows a message through the sink; the box that appears is inspected and answered by
// clicking the button with the given standard role.
plat::Resposta Mostrar(const plat::Mensagem& m, QMessageBox::StandardButton clicar, CaixaVista& vista) {
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        vista.icone = box->icon();
        vista.titulo = box->windowTitle();
        vista.texto = box->text();
        for (QAbstractButton* b : box->buttons()) vista.botoes << b->text();
        vista.botoes.sort();
        box->button(clicar)->click();
    });
    plat::MensagensQt sink;
    return sink.Mostrar(m);
}

}  // namespace

TEST(MensagensQtTest, CaixaComIconeTituloTextoEBotoesPedidos) {
    CaixaVista v;
    EXPECT_EQ(Mostrar({plat::TipoMensagem::Aviso, "O programa \"Sirvanta\" já está sendo executado!",
                       "PROGRAMA EM EXECUÇÃO", plat::Botoes::Ok},
                      QMessageBox::Ok, v),
              plat::Resposta::Ok);
    EXPECT_EQ(v.icone, QMessageBox::Warning);
    EXPECT_EQ(v.titulo, QString::fromUtf8("PROGRAMA EM EXECUÇÃO"));
    EXPECT_EQ(v.texto, QString::fromUtf8("O programa \"Sirvanta\" já está sendo executado!"));
    EXPECT_EQ(v.botoes, QStringList{"OK"});

    CaixaVista e;
    Mostrar({plat::TipoMensagem::Erro, "Falhou.", "Barvenco", plat::Botoes::Ok}, QMessageBox::Ok, e);
    EXPECT_EQ(e.icone, QMessageBox::Critical);
    EXPECT_EQ(e.titulo, "Barvenco");

    CaixaVista i;
    Mostrar({plat::TipoMensagem::Informacao, "x", "t", plat::Botoes::Ok}, QMessageBox::Ok, i);
    EXPECT_EQ(i.icone, QMessageBox::Information);
}

TEST(MensagensQtTest, RespostasDasPerguntas) {
    CaixaVista v;
    EXPECT_EQ(Mostrar({plat::TipoMensagem::Pergunta, "Continuar?", "Barvenco", plat::Botoes::SimNao},
                      QMessageBox::No, v),
              plat::Resposta::Nao);
    EXPECT_EQ(v.icone, QMessageBox::Question);
    EXPECT_EQ(v.botoes, (QStringList{QString::fromUtf8("&Não"), "&Sim"}));
    EXPECT_EQ(Mostrar({plat::TipoMensagem::Pergunta, "Continuar?", "Barvenco", plat::Botoes::SimNao},
                      QMessageBox::Yes, v),
              plat::Resposta::Sim);
    EXPECT_EQ(Mostrar({plat::TipoMensagem::Aviso, "Gravar?", "Barvenco", plat::Botoes::OkCancelar},
                      QMessageBox::Cancel, v),
              plat::Resposta::Cancelar);
}
