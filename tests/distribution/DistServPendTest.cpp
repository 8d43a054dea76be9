// The pending-programmes dialog: its grid, one authorisation attempt per click.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "distribution/FDistServPend.h"

TEST(DistServPend, ListsTheRowsAndClosesAfterEachAttempt) {
    std::vector<TRegServPend> linhas{{"000120", "0001", 24, 45356.0}, {"000130", "0002", 12, 45357.5}};
    for (bool consente : {false, true}) {
        int pedidos = 0;
        TfrmDistServPend::ValidarDiretor = [&](QWidget*) {
            ++pedidos;
            return consente;
        };
        TfrmDistServPend d(nullptr);
        EXPECT_EQ(d.windowTitle().toStdString(), "Serviço Externo - Programações Pendentes");
        EXPECT_TRUE(d.Label1->font().bold());
        EXPECT_EQ(d.Label1->palette().color(QPalette::WindowText), QColor(Qt::red));
        d.dtsServ(linhas);
        ASSERT_EQ(d.DBGrid1->rowCount(), 2);
        EXPECT_EQ(d.DBGrid1->horizontalHeaderItem(2)->text().toStdString(), "Data Saída");
        EXPECT_EQ(d.DBGrid1->item(0, 0)->text().toStdString(), "000120");
        EXPECT_EQ(d.DBGrid1->item(0, 2)->text().toStdString(), "05/03/2024 00:00:00");
        EXPECT_EQ(d.DBGrid1->item(1, 2)->text().toStdString(), "06/03/2024 12:00:00");
        EXPECT_EQ(d.DBGrid1->item(1, 3)->text().toStdString(), "12");
        QTimer::singleShot(0, &d, [&d] { QTest::mouseClick(d.BitBtn1, Qt::LeftButton); });
        EXPECT_EQ(d.exec(), QDialog::Accepted);
        EXPECT_EQ(pedidos, 1);
        EXPECT_EQ(d.FAutorizado, consente);
    }
    // Closed by the close box: no authorisation.
    TfrmDistServPend d(nullptr);
    QTimer::singleShot(0, &d, [&d] { d.close(); });
    d.exec();
    EXPECT_FALSE(d.FAutorizado);
    TfrmDistServPend::ValidarDiretor = nullptr;
}
