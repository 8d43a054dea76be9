#pragma once
// Small service object for texts that hold tax identifiers: the emptiness test, and the
// stripping and punctuation of CPF/CNPJ numbers (through the exported functions of
// CgcCpf.h). It has no state; callers create one for one use.
#include <string>

#include "rules/CgcCpf.h"

class PRAVOLT_CGCCPF_API TServicos {
public:
    // True when the text, without leading and trailing blanks and control characters
    // (bytes up to 32), is empty.
    bool Vazio(const std::string& texto) const;
    // Empty for an empty text, otherwise the digits of the text.
    std::string DesformataDocumento(const std::string& texto) const;
    // Empty for an empty text, otherwise the identifier with its punctuation.
    std::string FormataDocumento(const std::string& texto) const;
};
