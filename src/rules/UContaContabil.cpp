#include "rules/UContaContabil.h"

#include <mutex>
#include <utility>

#include "platform/IniFile.h"
#include "platform/Mensagens.h"
#include "platform/Texto.h"
#include "shell/UServicosSistema.h"
#include "shell/USistema.h"

namespace {

const char* const kMsgSemFormato = "Formato da conta contábil não encontrado no arquivo de parametros.";
const char* const kMsgInvalido = "Formato da conta contábil inválido.";
const char* const kMsgNaoNumerico = "Formato da conta contábil não é do tipo numérico.";

std::mutex mutexFonte;
TContaContabil::FonteFormato fonteArquivo;

std::string LerDoArquivo() {
    std::function<std::string()> f;
    {
        std::lock_guard<std::mutex> l(mutexFonte);
        f = fonteArquivo;
    }
    if (f) return f();
    return TSistema::Configuracao()->ReadString("CODIGO DE CLASSIFICACAO", "FORMATO", "ERRO");
}

bool Digito(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void TContaContabil::DefinirFonteArquivo(FonteFormato arquivo) {
    std::lock_guard<std::mutex> l(mutexFonte);
    fonteArquivo = std::move(arquivo);
}

bool TContaContabil::LerNiveis(const std::string& codigo) {
    QtdeNiveis = 0;
    TamanhoValido = 0;
    int total = 0;
    const int tamanho = static_cast<int>(codigo.size());
    for (std::size_t i = 0; i + 1 < Formato.size() && QtdeNiveis < MaxNiveis; i += 2) {
        if (!Digito(Formato[i]) || !Digito(Formato[i + 1])) {
            plat::Erro(kMsgNaoNumerico);
            return false;
        }
        const int largura = (Formato[i] - '0') * 10 + (Formato[i + 1] - '0');
        ++QtdeNiveis;
        Niveis[QtdeNiveis] = static_cast<std::int16_t>(largura);
        total += largura;
        if (total == tamanho) TamanhoValido = total;
    }
    return true;
}

bool TContaContabil::CarregarFormato(const std::string& codigo) {
    if (servicos_.Vazio(Formato)) Formato = ServicosSistema().LerParametro("COD_CONTABIL", "FORMATO");
    if (servicos_.Vazio(Formato)) {
        Formato = LerDoArquivo();
        if (Formato == "ERRO") {
            Formato.clear();  // read again next time: the error shows for every value
            QtdeNiveis = 0;
            TamanhoValido = 0;
            plat::Erro(kMsgSemFormato);
            return false;
        }
    }
    Formato = plat::Aparar(Formato);
    // More than sixteen levels cannot be held: such a format is refused as a whole rather
    // than cut, so that no code is ever shown with a partial grouping.
    if (Formato.size() % 2 != 0 || Formato.size() > 2 * MaxNiveis) {
        QtdeNiveis = 0;
        TamanhoValido = 0;
        plat::Erro(kMsgInvalido);
        return false;
    }
    if (!codigo.empty()) {
        LerNiveis(codigo);
    } else {
        // No levels are read for an empty code; the widths come from the format as far as
        // they are numbers, so that the mask is still right.
        TamanhoValido = 0;
        QtdeNiveis = 0;
        for (std::size_t i = 0; i + 1 < Formato.size(); i += 2) {
            if (!Digito(Formato[i]) || !Digito(Formato[i + 1])) break;
            ++QtdeNiveis;
            Niveis[QtdeNiveis] = static_cast<std::int16_t>((Formato[i] - '0') * 10 + (Formato[i + 1] - '0'));
        }
    }
    Mascara.clear();
    for (int n = 1; n <= QtdeNiveis; ++n) {
        if (n > 1) Mascara += '.';
        Mascara.append(static_cast<std::size_t>(Niveis[n] > 10 ? 10 : Niveis[n]), '9');
    }
    Mascara += ";0;";
    return true;
}

std::string TContaContabil::FormatarConta(const std::string& codigo) {
    if (!CarregarFormato(codigo)) return {};
    if (codigo.empty()) return {};
    // A code that ends at no level boundary cannot be grouped rightly: it is shown as
    // stored, without dots.
    if (TamanhoValido == 0) return codigo;
    std::string resultado;
    std::size_t pos = 0;
    for (int n = 1; n <= QtdeNiveis && static_cast<int>(pos) < TamanhoValido; ++n) {
        if (!resultado.empty()) resultado += '.';
        const std::size_t largura = static_cast<std::size_t>(Niveis[n]);
        if (pos < codigo.size()) resultado += codigo.substr(pos, largura);
        pos += largura;
    }
    return resultado;
}
