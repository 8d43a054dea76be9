#pragma once
// Branch (filial) entry: digits only, the branch as an integer, and the list of branches the
// user may use. Leaving the control with a branch outside a non-empty list turns it red,
// keeps the focus in it and reports "Filial NÃO AUTORIZADA para este Usuário.".
#include <QColor>
#include <QLineEdit>

#include <string>
#include <vector>

inline constexpr const char* MsgFilialNaoAutorizada = "Filial NÃO AUTORIZADA para este Usuário.";

// Behaviour shared by the plain and the data-aware branch edits.
class TKWFilialEditBase : public QLineEdit {
    Q_OBJECT
public:
    enum class TEstadoCor { Padrao, Autorizada, Recusada };

    explicit TKWFilialEditBase(QWidget* parent = nullptr);

    // The branches the user may use, as typed (text compared exactly).
    const std::vector<std::string>& Filial_Autorizada() const { return autorizadas_; }
    void SetFilial_Autorizada(const std::vector<std::string>& lista) { autorizadas_ = lista; }

    // The text as an integer; 0 when it is not a valid integer (the empty text included).
    int Value() const;
    void SetValue(int valor);

    // Colour state left by the last exit.
    TEstadoCor EstadoCor() const { return estado_; }

    static QColor CorAutorizada() { return QColor(0, 255, 0); }
    static QColor CorRecusada() { return QColor(255, 0, 0); }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void inputMethodEvent(QInputMethodEvent* e) override;

    // Runs when an exit is accepted, before the edit's own exit handling; an error refuses
    // the exit (the focus stays) and is reported.
    virtual void SaidaAceita() {}

private:
    void DefinirCores(TEstadoCor estado);
    void ColarDigitos();
    void RetomarFoco();

    std::vector<std::string> autorizadas_;
    TEstadoCor estado_ = TEstadoCor::Padrao;
};

class TKWFilialEdit : public TKWFilialEditBase {
    Q_OBJECT
public:
    explicit TKWFilialEdit(QWidget* parent = nullptr) : TKWFilialEditBase(parent) {}
};

// True for the characters a branch edit lets through: the digits 0 to 9 and backspace.
bool KWCaractereFilialAceito(char32_t c);
