// Entry of every test program: one QApplication for the window tests (offscreen
// platform), then GoogleTest, or the subprocess entry the command line names.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "Subprocesso.h"
#include "platform/Executavel.h"

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    plat::AdotarLocaleUtf8();  // as the programs do: accented file names in any locale
    int codigo = 0;
    if (ExecutarSubprocesso(argc, argv, codigo)) return codigo;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
