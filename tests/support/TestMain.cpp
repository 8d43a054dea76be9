// Entry of every test program: one QApplication for the window tests (offscreen
// platform), then GoogleTest, or the subprocess entry the command line names. The data
// layer's tests are built without Qt (PRAVOLT_TESTES_SEM_JANELAS).
#include <gtest/gtest.h>

#ifndef PRAVOLT_TESTES_SEM_JANELAS
#include <QApplication>
#endif
#include <cstdlib>

#include "Subprocesso.h"
#include "platform/Executavel.h"

int main(int argc, char** argv) {
#ifndef PRAVOLT_TESTES_SEM_JANELAS
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
#endif
    plat::AdotarLocaleUtf8();  // as the programs do: accented file names in any locale
    int codigo = 0;
    if (ExecutarSubprocesso(argc, argv, codigo)) return codigo;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
