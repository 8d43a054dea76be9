#pragma once
// Finance module, database-neutral part: bank accounts, receivables, payables, cheques,
// bank files, debit notices, budget check.
#include <string>

#include "datamodules/UDataModule.h"
#include "db/Value.h"

class TdmFinanceiro : public dm::TDataModule {
public:
    ~TdmFinanceiro() override = default;

    // Budget checks: true when the amount would exceed the account's budget for the
    // month of the date. The database-neutral versions know no budget and answer false.
    virtual bool VerificarOrcamentoTitulo(const std::string& titulo, const std::string& parcela, int filial,
                                          int fornecedor, db::TDateTime data, db::Currency valor,
                                          const std::string& conta);
    virtual bool VerificarOrcamentoPedido(int pedido, int filial, db::TDateTime data, db::Currency valor,
                                          const std::string& conta);

    // Message followed by the error's text; the record is dropped and the apply goes on.
    DM_UPDATE_ERROR(dspLanctoFilUpdateError);
    // These pass the error on, with no message.
    DM_UPDATE_ERROR(dspContaUpdateError);
    DM_UPDATE_ERROR(dspTituloUpdateError);
    DM_UPDATE_ERROR(dspReciboAvulsoUpdateError);
    virtual void cdsTituloDeleteError(db::ClientDataSet& ds, const std::exception& e, db::DataAction& action);

protected:
    TdmFinanceiro(std::string nome, db::Connection* conexao);
};
