#include "datamodules/URegrasCampos.h"

#include <vector>

#include "platform/Texto.h"

namespace dm {
namespace {

std::string Juntar(const std::vector<std::string>& cs, std::size_t inicio, std::size_t quantos) {
    std::string r;
    for (std::size_t i = inicio; i < inicio + quantos && i < cs.size(); ++i) r += cs[i];
    return r;
}

}  // namespace

std::string SoDigitos(const std::string& texto) {
    std::string r;
    for (char c : texto)
        if (c >= '0' && c <= '9') r += c;
    return r;
}

std::string CnpjCpfPorPosicao(const std::string& valor) {
    // positions count characters, as the stored Windows-1252 text does
    const std::vector<std::string> t = plat::Caracteres(plat::Aparar(valor));
    if (t.size() == 14)
        return Juntar(t, 0, 2) + "." + Juntar(t, 2, 3) + "." + Juntar(t, 5, 3) + "/" + Juntar(t, 8, 4) + "-" +
               Juntar(t, 12, 2);
    if (t.size() == 11)
        return Juntar(t, 0, 3) + "." + Juntar(t, 3, 3) + "." + Juntar(t, 6, 3) + "-" + Juntar(t, 9, 2);
    return valor;
}

std::string MascaraParcelas(std::int64_t parcelas) {
    std::string mascara;
    const std::int64_t n = parcelas > MaxParcelasMascara ? MaxParcelasMascara : parcelas;
    for (std::int64_t i = 0; i < n; ++i) mascara += i == 0 ? "999" : "/999";
    return mascara;
}

void AjustarMascaraPrazo(db::Field& parcelas, const char* campoPrazo, bool aVistaSemMascara) {
    db::Field* prazo = parcelas.DataSet().FindField(campoPrazo);
    if (!prazo) return;
    if (aVistaSemMascara) {
        const std::string texto = prazo->Text();
        for (const char* palavra : {"A VISTA", "C/ APRES", "ANTECIPADO"})
            if (texto.find(palavra) != std::string::npos) {
                prazo->EditMask.clear();
                return;
            }
    }
    prazo->EditMask = MascaraParcelas(parcelas.AsInteger());
}

void VerificarMovimentoCodigo(db::Query& sqlVerifMovto, const std::string& numTabela, const db::Field& codigo,
                              const std::string& inicio) {
    const std::string antigo = codigo.OldValue().AsString();
    sqlVerifMovto.Close();
    sqlVerifMovto.ParamByName("NUM_TABELA").SetAsString(numTabela);
    sqlVerifMovto.ParamByName("COD_TABELA").SetAsString(antigo);
    sqlVerifMovto.Open();
    const db::Value* movimento = sqlVerifMovto.IsEmpty() ? nullptr : sqlVerifMovto.FindField("MOVIMENTO");
    if (!movimento || movimento->IsNull() || movimento->AsString() != "S") return;
    throw EMovimentoCodigo(inicio + "\"" + antigo + "\", não permitindo a alteração do código.");
}

}  // namespace dm
