#pragma once
// "Serviço Externo - Programações Pendentes": the overdue open dispatches of a workshop,
// with a single way forward, the director's authorisation.
#include <QDialog>

#include <functional>
#include <vector>

#include "distribution/FDistPravolt.h"

class QFrame;
class QLabel;
class QPushButton;
class QTableWidget;

class TfrmDistServPend : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDistServPend(QWidget* owner);
    ~TfrmDistServPend() override;

    QFrame* Panel1;
    QLabel* Label1;
    QTableWidget* DBGrid1;
    QFrame* Panel2;
    QPushButton* BitBtn1;  // "Autorização"

    // The outcome of the authorisation; false until a consent is given.
    bool FAutorizado = false;

    // Fills the grid from the window's list (the data source's binding).
    void dtsServ(const std::vector<TRegServPend>& linhas);

    // Asks the director's consent (the validation dialog) and closes with result OK,
    // whatever the outcome: one click is one attempt.
    void BitBtn1Click();

    // How the consent is asked; unset: the validation dialog with the user "DIRETOR".
    static std::function<bool(QWidget* dono)> ValidarDiretor;

    // The caller's protocol: create the dialog owned by the window, show it over the
    // window's list, read FAutorizado, destroy it. Plugs into TfrmDistServ::MostrarPendentes.
    static bool Mostrar(TfrmDistServ& janela);
};
