#pragma once
// Ends the program on SIGTERM, SIGINT and SIGHUP as closing its main window does.
#include <QObject>

class QSocketNotifier;

class TEncerramentoPorSinal : public QObject {
    Q_OBJECT
public:
    // Watches the requests gathered by plat::InstalarSinaisTermino (the program's entry
    // installs the handlers before anything else). Needs the application object.
    explicit TEncerramentoPorSinal(QObject* parent = nullptr);

    // True once a request arrived. Every event loop has then been told to end: an open
    // message box or modal dialog returns, and one opened afterwards returns at once, so
    // the operation under way finishes (a save commits whole or writes nothing) and control
    // gets back to the program's entry, which closes the main window and tears down as
    // usual. Messages from then on go to standard error, answered OK, Cancelar or Não:
    // nobody is left to answer them.
    bool Pedido() const { return sinal_ != 0; }
    int Sinal() const { return sinal_; }

private:
    void Atender();
    QSocketNotifier* notificador_ = nullptr;
    int sinal_ = 0;
};
