#include "rules/FEtiqDespUsuario.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <memory>

#include "db/Query.h"
#include "platform/Cp1252.h"
#include "platform/Mensagens.h"
#include "platform/Texto.h"
#include "rules/USenha.h"
#include "shell/UServicosSistema.h"

TfrmEtiqCPagarUsuario::TfrmEtiqCPagarUsuario(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QString::fromUtf8("Validação"));
    setFixedSize(228, 138);
    setFont(QFont("MS Sans Serif", 8));

    Bevel1 = new QFrame(this);
    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel1->setGeometry(8, 8, 212, 81);

    Label1 = new QLabel(QString::fromUtf8("Usuário"), this);
    Label1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1->setGeometry(16, 24, 49, 21);
    edUsuario = new QLineEdit(this);
    edUsuario->setGeometry(72, 24, 137, 21);
    // Upper case while typing, keeping the cursor where it was.
    connect(edUsuario, &QLineEdit::textEdited, this, [this](const QString& t) {
        const QString m = QString::fromStdString(plat::MaiusculasCp1252(t.toStdString()));
        if (m != t) {
            int pos = edUsuario->cursorPosition();
            edUsuario->setText(m);
            edUsuario->setCursorPosition(pos);
        }
    });

    Label2 = new QLabel(QString::fromUtf8("Senha"), this);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label2->setGeometry(16, 56, 49, 21);
    edSenha = new QLineEdit(this);
    edSenha->setEchoMode(QLineEdit::Password);
    edSenha->setGeometry(72, 56, 137, 21);

    BitBtn1 = new QPushButton("OK", this);
    BitBtn1->setGeometry(32, 100, 80, 27);
    BitBtn1->setCursor(Qt::DragMoveCursor);
    BitBtn1->setAutoDefault(false);
    BitBtn2 = new QPushButton("Cancelar", this);
    BitBtn2->setGeometry(120, 100, 80, 27);
    BitBtn2->setAutoDefault(false);

    setTabOrder(edUsuario, edSenha);
    setTabOrder(edSenha, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { plat::Protegido([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { reject(); });

    // The dialog sees keys before its controls.
    for (QWidget* w : {static_cast<QWidget*>(edUsuario), static_cast<QWidget*>(edSenha),
                       static_cast<QWidget*>(BitBtn1), static_cast<QWidget*>(BitBtn2)})
        w->installEventFilter(this);

    if (QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

TfrmEtiqCPagarUsuario::~TfrmEtiqCPagarUsuario() = default;

void TfrmEtiqCPagarUsuario::AdicionarUsuario(const std::string& nome) {
    UsuariosPermitidos.push_back(nome);
}

bool TfrmEtiqCPagarUsuario::eventFilter(QObject* obj, QEvent* ev) {
    if (ev->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(ev);
        if (k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) {
            focusNextChild();
            return true;
        }
    }
    return QDialog::eventFilter(obj, ev);
}

void TfrmEtiqCPagarUsuario::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        focusNextChild();
        return;
    }
    QDialog::keyPressEvent(e);  // Esc rejects
}

bool TfrmEtiqCPagarUsuario::Permitido(const std::string& nome) const {
    const std::string m = plat::MaiusculasCp1252(nome);
    return std::any_of(UsuariosPermitidos.begin(), UsuariosPermitidos.end(),
                       [&](const std::string& u) { return plat::MaiusculasCp1252(u) == m; });
}

void TfrmEtiqCPagarUsuario::Falha(QWidget* foco) {
    QApplication::restoreOverrideCursor();
    foco->setFocus();
}

void TfrmEtiqCPagarUsuario::BitBtn1Click() {
    // A database error leaves with the result still OK: the dialog closes, no consent.
    setResult(QDialog::Accepted);
    struct Fechar {
        TfrmEtiqCPagarUsuario* f;
        bool ativo = true;
        ~Fechar() {
            if (ativo) f->done(QDialog::Accepted);
        }
    } fechar{this};

    const std::string usuario = edUsuario->text().toStdString();
    const std::string senha = edSenha->text().toStdString();
    if (usuario.empty()) {
        fechar.ativo = false;
        plat::Aviso("Informe o usuário.");
        edUsuario->setFocus();
        return;
    }
    if (senha.empty()) {
        fechar.ativo = false;
        plat::Aviso("Informe a senha.");
        edSenha->setFocus();
        return;
    }

    // The access module's user query, on its own connection. A name or password with a
    // character the database cannot hold matches no stored one: an unknown user, a wrong
    // password.
    IServicosSistema& sistema = ServicosSistema();
    db::Query& q = sistema.ConsultaUsuarios();
    q.Close();
    q.SQL() = {"Select * from USUARIOS", "where NOME_US=:NOME"};
    const bool nomeValido = plat::RepresentavelEmCp1252(usuario);
    if (nomeValido) {
        q.ParamByName("NOME").SetAsString(usuario);
        q.Open();
    }

    if (!nomeValido || q.Eof()) {
        q.Close();
        fechar.ativo = false;
        plat::Erro("Usuário não cadastrado");
        Falha(edUsuario);
        return;
    }
    if (!plat::RepresentavelEmCp1252(senha) || FormatarSenha(usuario, senha) != q.FieldByName("SENHA_US").AsBytes()) {
        q.Close();
        fechar.ativo = false;
        plat::Erro("Senha inválida");
        Falha(edSenha);
        return;
    }
    q.Close();

    const std::string empresa = sistema.NomeEmpresa();
    bool aceito = Permitido(usuario);
    if (!aceito && (empresa == "KALDU" || empresa == "QZT"))
        aceito = usuario == "QUIRANDO" || usuario == "VELMORA";
    if (!aceito) {
        fechar.ativo = false;
        plat::Erro("Usuário inválido para esta opção.");
        Falha(edUsuario);
        return;
    }
    Autorizado = true;
}

bool TfrmEtiqCPagarUsuario::Validar(QWidget* dono, const std::vector<std::string>& usuarios,
                                    const std::function<void(TfrmEtiqCPagarUsuario&)>& preparar) {
    std::unique_ptr<TfrmEtiqCPagarUsuario> f(new TfrmEtiqCPagarUsuario(dono));
    for (const auto& u : usuarios) f->AdicionarUsuario(u);
    if (preparar) preparar(*f);
    const int r = f->exec();
    return r == QDialog::Accepted && f->Autorizado;
}
