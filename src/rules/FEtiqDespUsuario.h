#pragma once
// "Validação": a second person's consent for an operation. The caller names the users
// allowed (AdicionarUsuario), shows the dialog modally and reads Autorizado; the user
// name and password typed are checked against the suite's user table.
#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QKeyEvent;

class TfrmEtiqCPagarUsuario : public QDialog {
    Q_OBJECT
public:
    explicit TfrmEtiqCPagarUsuario(QWidget* owner);
    ~TfrmEtiqCPagarUsuario() override;

    QFrame* Bevel1;
    QLabel* Label1;
    QLineEdit* edUsuario;
    QLabel* Label2;
    QLineEdit* edSenha;
    QPushButton* BitBtn1;  // OK
    QPushButton* BitBtn2;  // Cancelar

    // User names the caller allows (compared case-insensitively).
    std::vector<std::string> UsuariosPermitidos;
    // Set only by a successful confirmation; never reset.
    bool Autorizado = false;

    void AdicionarUsuario(const std::string& nome);

    // Click on OK: the checks in order; the dialog closes with result OK when they pass
    // (Autorizado set) and, after a database error, also closes but without consent. The
    // user table (the access database) and the installation name come from the system
    // services.
    void BitBtn1Click();

    // Creates the dialog owned by `dono`, allows `usuarios`, shows it modally and
    // destroys it; true only when consent was given. `preparar` runs on the dialog just
    // before it is shown.
    static bool Validar(QWidget* dono, const std::vector<std::string>& usuarios,
                        const std::function<void(TfrmEtiqCPagarUsuario&)>& preparar = {});

protected:
    bool eventFilter(QObject* obj, QEvent* ev) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool Permitido(const std::string& nome) const;
    void Falha(QWidget* foco);
};
