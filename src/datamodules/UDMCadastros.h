#pragma once
// Registers module for the InterBase/Firebird database.
#include "datamodules/UDMCadAncestral.h"

class TdmIBCadastros : public TdmCadAncestral {
public:
    // `conexao` null: the system object's main connection.
    explicit TdmIBCadastros(db::Connection* conexao = nullptr);

    // Shows the error as the ancestor does, then passes it on to the caller of the apply.
    void dspFornecedorUpdateError(db::Provider& sender, const db::Error& e, db::DeltaRecord& delta, db::UpdateKind kind,
                                  db::UpdateResponse& response) override;
    void dspClienteBeforeUpdateRecord(db::Provider& sender, db::DeltaRecord& delta, db::UpdateKind kind, bool& applied);

    // Field rules, bound each time their record set opens.
    // Supplier's and representative's tax identifier shown punctuated (empty stays empty).
    void cdsFilialCGC_FIGetText(db::Field& sender, std::string& text, bool displayText);
    // Supplier's tax identifier stored as its digits only, whatever was typed.
    void cdsFornecedorCNPJ_FOSetText(db::Field& sender, const std::string& text);
    // Customer's tax identifier punctuated by position (11 or 14 characters).
    void cdsClienteCGC_CLGetText(db::Field& sender, std::string& text, bool displayText);
    // Accounting code shown in the installation's format.
    void cdsCContabilCOD_CCGetText(db::Field& sender, std::string& text, bool displayText);
    // Edit mask of PRAZO_CL after the number of instalments.
    void cdsClienteNUMPARC_CLChange(db::Field& sender);
    // Refuses renaming a general-table code that has movement.
    void cdsTabelaCOD_TAChange(db::Field& sender);

    // Record rules. A customer posted without a code gets a new one from the database.
    void cdsClienteBeforePost(db::ClientDataSet& dataSet);
    void cdsFornecedorBeforePost(db::ClientDataSet& dataSet);
    void cdsRepresentanteBeforePost(db::ClientDataSet& dataSet);

protected:
    void VincularRegras();
    void DefinirCamposChave(db::DeltaRecord& delta, const std::string& chaves) { dm::DefinirCamposChave(delta, chaves); }
};
