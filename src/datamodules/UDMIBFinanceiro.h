#pragma once
// Finance module for the InterBase/Firebird database.
#include "datamodules/UDMFinanceiro.h"
#include "db/Query.h"

class TdmIBFinanceiro : public TdmFinanceiro {
public:
    // `conexao` null: the system object's main connection.
    explicit TdmIBFinanceiro(db::Connection* conexao = nullptr);

    void dspChequesRecBeforeUpdateRecord(db::Provider& sender, db::DeltaRecord& delta, db::UpdateKind kind,
                                         bool& applied);

    // Field rules, bound each time their record set opens.
    // Issuer's tax identifier punctuated by position (11 or 14 characters).
    void cdsChequesRecCNPJ_EMITENTE_CHGetText(db::Field& sender, std::string& text, bool displayText);
    // Accounting code of a receivable shown in the installation's format, from its digits.
    void cdsDuplicatasCODCONTABIL_DPGetText(db::Field& sender, std::string& text, bool displayText);
    // A new received cheque is registered at the workstation's date and time.
    void cdsChequesRecAfterInsert(db::ClientDataSet& dataSet);

    // Budget checks against PREVISAO_ORCAMENTARIA, less what the document itself has
    // already posted to that month (PREVISAO_ORC_LANC). Exact ten-thousandths.
    bool VerificarOrcamentoTitulo(const std::string& titulo, const std::string& parcela, int filial, int fornecedor,
                                  db::TDateTime data, db::Currency valor, const std::string& conta) override;
    bool VerificarOrcamentoPedido(int pedido, int filial, db::TDateTime data, db::Currency valor,
                                  const std::string& conta) override;

    db::Query sqlPrevOrc;
    db::Query sqlPrevOrcLanc;
    db::Query sqlPrevOrcLancPed;

protected:
    void DefinirCamposChave(db::DeltaRecord& delta, const std::string& chaves) { dm::DefinirCamposChave(delta, chaves); }
};
