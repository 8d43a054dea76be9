#pragma once
// Pieces of the field rules that more than one data module carries: tax identifiers
// shown by position, the payment-terms mask that follows the number of instalments and
// the guard against renaming a general-table code that has movement.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "db/ClientDataSet.h"
#include "db/Query.h"

namespace dm {

// The digits of a text, in their order.
std::string SoDigitos(const std::string& texto);

// A stored tax identifier shown by position: without its surrounding blanks (and
// control characters), 14 characters as dd.ddd.ddd/dddd-dd, 11 as ddd.ddd.ddd-dd (the
// characters are not checked for being digits); any other length unchanged.
std::string CnpjCpfPorPosicao(const std::string& valor);

// The edit mask of payment terms for n instalments: n groups of "999" joined by "/";
// empty for n of 0 or less. At most MaxParcelasMascara groups are built: a larger
// number could not be typed into any terms field anyway.
inline constexpr int MaxParcelasMascara = 64;
std::string MascaraParcelas(std::int64_t parcelas);

// Sets the edit mask of the terms field `campoPrazo` of the data set of `parcelas`
// after the number of instalments changed. With `aVistaSemMascara`, terms whose text
// holds "A VISTA", "C/ APRES" or "ANTECIPADO" take no mask. A data set without the
// terms field is left alone.
void AjustarMascaraPrazo(db::Field& parcelas, const char* campoPrazo, bool aVistaSemMascara);

// Refuses the change of a general-table code whose value as read from the database has
// movement: runs `sqlVerifMovto` for the list number and that old code (empty for a row
// that was never written) and raises an error when it answers "S". The message is
// `inicio` + '"' + old code + '"' + ", não permitindo a alteração do código.". The query
// stays open afterwards.
void VerificarMovimentoCodigo(db::Query& sqlVerifMovto, const std::string& numTabela, const db::Field& codigo,
                              const std::string& inicio);

// The error of a refused code change.
class EMovimentoCodigo : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace dm
