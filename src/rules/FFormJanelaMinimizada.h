#pragma once
// Placeholder of a minimised child window: a bare 296 x 38 strip showing the child's
// caption, highlighted under the mouse, that gives the child back its place when clicked.
// It knows the child only as a widget; the child may install its own restore steps.
#include <QImage>
#include <QWidget>

#include <functional>
#include <string>

class QLabel;
class TKWImage;
class TKWImageList;

class TfrmFormJanelaMinimizada : public QWidget {
    Q_OBJECT
public:
    static constexpr int TagMinimizada = 99;   // marks a placeholder
    static constexpr int TagRestaurando = 100;  // set on the child just before it is shown again
    static constexpr int MaxLegenda = 40;

    // `dono`: the child window; the placeholder is destroyed with it. `parent`: where it is shown.
    explicit TfrmFormJanelaMinimizada(QObject* dono, QWidget* parent = nullptr);
    ~TfrmFormJanelaMinimizada() override;

    void DefinirLegenda(const std::string& texto);
    const std::string& Legenda() const { return legenda_; }

    // Filled in by the child's minimise command.
    QWidget* Janela = nullptr;
    int Topo = 0;
    int Esquerda = 0;
    int Largura = 0;
    int Altura = 0;

    // Restore steps owned by the child (unbind its show steps, tag 100, show, bounds,
    // rebind). Without them the child widget gets tag 100 as its "Tag" property, is shown and
    // takes back its geometry.
    std::function<void(int esquerda, int topo, int largura, int altura)> RestaurarJanela;

    void Restaurar();
    void Realcar();
    void Normalizar();
    bool Realcado() const { return realcado_; }
    int Tag() const { return property("Tag").toInt(); }

    // Controls, for the window's own handlers and for tests.
    TKWImage* imgFundo = nullptr;
    QLabel* lbLegenda = nullptr;
    TKWImage* KWImage1 = nullptr;
    TKWImage* imgTrigger = nullptr;
    TKWImageList* imgLista = nullptr;

    static QColor CorLegendaNormal() { return QColor(65, 131, 251); }
    static QColor CorLegendaRealce() { return QColor(8, 92, 246); }

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    void FormCreate();
    void FormDblClick() { Restaurar(); }
    void lbLegendaDblClick() { Restaurar(); }
    void imgTriggerClick() { Restaurar(); }
    void imgFundoMouseEnter() { Realcar(); }
    void imgTriggerMouseEnter() { Realcar(); }
    void imgFundoMouseLeave() { Normalizar(); }
    void imgTriggerMouseLeave() { Normalizar(); }
    void KWImage1Click() {}
    void DefinirCorLegenda(const QColor& cor);

    std::string legenda_;
    QImage FundoRealce;
    QImage FundoNormal;
    bool realcado_ = false;
    bool restaurando_ = false;
};

// Background pictures of the placeholder (295 x 37): normal and highlighted.
QImage FundoJanelaMinimizada(bool realcado);
