// Program entry.
#include <QApplication>

#include "platform/Mensagens.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    plat::DefinirTituloAplicacao("Barvenco");
    return 0;
}
