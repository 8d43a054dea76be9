#pragma once
// The main window: an empty MDI frame. Its creation drives the start-up of the system
// (database location, connections, shared data modules); its first show opens the
// distribution window; its destruction ends the system object's life.
#include <QMainWindow>
#include <QPointer>

#include <memory>

class QMdiArea;
class QTimer;
class TfMdiChild;

namespace plat {
class RegistroJanela;
}

class TfrmPrinc : public QMainWindow {
    Q_OBJECT
public:
    explicit TfrmPrinc(QWidget* parent = nullptr);
    ~TfrmPrinc() override;  // runs FormDestroy

    // Runs FormCreate once (the program calls it right after handing the window to the
    // application object, so that whatever the creation adds is released before it).
    void Inicializar();

    QMdiArea* Area() const { return area_; }
    // True when every step of FormCreate ran.
    bool InicioCompleto() const { return inicioCompleto_; }
    // The distribution window (or the stand-in child) while it exists.
    TfMdiChild* JanelaDistribuicao() const;

    virtual void FormCreate();
    virtual void FormShow();
    virtual void FormDestroy();
    // Binds the save's dialogs and, where the executable's name allows it, the audit log.
    static void LigarDialogosDistribuicao();

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QMdiArea* area_ = nullptr;
    bool criado_ = false;
    bool inicioCompleto_ = false;
    bool destruido_ = false;
    std::unique_ptr<plat::RegistroJanela> registro_;
    QTimer* pedidoFrente_ = nullptr;
};
