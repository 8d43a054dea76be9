#include "shell/USistema.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/DataHora.h"
#include "platform/Executavel.h"
#include "platform/IniFile.h"
#include "platform/Texto.h"

namespace {

std::string& DiretorioDefinido() {
    static std::string dir;
    return dir;
}

std::unique_ptr<TSistema>& Instancia() {
    static std::unique_ptr<TSistema> sistema;
    return sistema;
}

// [OBS] and [Intervalo Dias Dup] hold integers written as text; they are converted
// strictly, a text that is not an integer ends the construction.
int InteiroEstrito(const std::string& texto) { return plat::StrToInt(texto); }

}  // namespace

std::string TSistema::ResolverMono(const std::string& caminho) {
    if (caminho.size() < 5) return caminho;
    if (plat::MaiusculasAscii(caminho.substr(0, 5)) != "MONO:") return caminho;
    return plat::DiretorioExecutavel() + "/bdados/" + caminho.substr(5);
}

std::string TSistema::DiretorioConfiguracao() {
    if (!DiretorioDefinido().empty()) return DiretorioDefinido();
    if (const char* env = std::getenv("PRAVOLT_CONFIG_DIR"); env && *env) return env;
    return plat::DiretorioExecutavel();
}

void TSistema::DefinirDiretorioConfiguracao(const std::string& dir) { DiretorioDefinido() = dir; }

std::string TSistema::ArquivoConfiguracao() { return DiretorioConfiguracao() + "/Parametros.ini"; }

std::shared_ptr<const plat::IniFile> TSistema::Configuracao() {
    return plat::IniFile::Compartilhado(ArquivoConfiguracao());
}

std::string TSistema::ProblemaConfiguracao(const plat::IniFile& ini) {
    std::string motivo;
    switch (ini.Erro()) {
        case 0:
            return {};
        case ENOENT:
        case ENOTDIR:
            motivo = "não foi encontrado";
            break;
        case EISDIR:
            motivo = "é uma pasta, não um arquivo";
            break;
        case EACCES:
        case EPERM:
            motivo = "não pode ser lido: sem permissão de leitura";
            break;
        default:
            motivo = std::string("não pode ser lido: ") + std::strerror(ini.Erro());
    }
    return "O arquivo de configuração \"" + ini.Caminho() + "\" " + motivo +
           ". O programa continua com os valores padrão.";
}

TSistema::TSistema() {
    // The reader holds no open file: the text is read whole, so nothing stays open when a
    // step below fails. The parsed file is kept, so the modules that read it after this
    // object share it instead of parsing it again.
    configuracao_ = Configuracao();
    const plat::IniFile& ini = *configuracao_;
    auto txt = [&](const char* s, const char* k, const char* padrao) { return ini.ReadString(s, k, padrao); };
    auto num = [&](const char* s, const char* k, int padrao) { return ini.ReadInteger(s, k, padrao); };
    auto real = [&](const char* s, const char* k) { return ini.ReadFloat(s, k, 0.0); };
    auto flagS = [&](const char* s, const char* k) { return ini.ReadString(s, k, "S") == "S"; };

    TipoBanco = txt("Banco", "Banco", "ERRO");

    // Converted as soon as read, before any other check.
    ObsLinhas = InteiroEstrito(txt("OBS", "Linhas", "0"));
    ObsCaracteresLinha = InteiroEstrito(txt("OBS", "CaracteresLinha", "0"));

    CaminhoBanco = txt("Paths", "DB", "PATHERROR");
    CaminhoFabrica = txt("Paths", "DB_FABRICA", "PATHERROR");
    CaminhoCep = txt("Paths", "DBCEP", "PATHERROR");
    CaminhoCatalogo = txt("Paths", "DB_CATALOGO", "PATHERROR");
    CaminhoConsulta = txt("Paths", "DBCons", "PATHCONSERROR");

    MovtoLanctoForCli = txt("MovtoLancto", "ForCli", "ERRO");
    LancamentoAdd = txt("Lancamento", "Add", "ADDERRO");
    LancamentoAddRec = txt("Lancamento", "AddRec", "ADDERRO");
    DiasDupTexto = txt("Intervalo Dias Dup", "Dias", "INTERRO");
    DiasDeAteDupTexto = txt("Intervalo Dias Dup", "DiasDeAte", "INTERRO");
    DtBaseProrrDup = num("Intervalo Dias Dup", "DtBaseProrr", 0);
    QuitacaoJuros = txt("QuitacaoDup", "Juros", "S");
    QuitacaoDesconto = txt("QuitacaoDup", "Desconto", "S");
    QuitacaoDespesa = txt("QuitacaoDup", "Despesa", "S");
    TamanhoGrade = num("TamanhoGrade", "Tamanho", 25);
    DiferencaMaxima = real("Diferenca", "Maxima");
    ComGrade = txt("Grade", "ComGrade", "S");
    TituloRel = txt("CabecPad", "TituloRel", " ");
    FilialPad = txt("FilialPadrao", "FilialPad", "");
    FilialPad2 = txt("FilialPadrao", "FilialPad2", "");
    FilialPad3 = txt("FilialPadrao", "FilialPad3", "");
    FilialPad4 = txt("FilialPadrao", "FilialPad4", "");
    AvisoDebSituacao = txt("AvisoDeb", "Situacao", "00");
    AvisoDebDiasLimite = num("AvisoDeb", "DiasLimite", 0);
    AvisoDebQuitarDups = flagS("AvisoDeb", "QuitarDups");
    AvisoDebCarteira = txt("AvisoDeb", "Carteira", "C");
    AvisoDebSitQ = txt("AvisoDeb", "SitQ", "10");
    GradePedVend = txt("GradePedVend", "Grade", "S");
    GrupoSolado = txt("GrupoSolado", "GrupoSd", "08");
    GrupoSalto = txt("GrupoSalto", "Salto", "09");
    UsaGradePad = txt("UsaGradePad", "Gradepad", "");
    DirRelato = txt("DirRelato", "Pasta", "C:\\Temp");
    EstoqueNegativo = txt("Estoque", "Negativo", "N");
    PadronizacaoCodAutoInc = flagS("PADRONIZACAO", "CODAUTOINC");
    BancoNotaBanco = txt("BancoNota", "Banco", "");
    BancoNotaSit = txt("BancoNota", "Sit", "");
    NotaEntradaSituacao = txt("NotaEntrada", "Situacao", "");
    NotaEntradaDiferenca = real("NotaEntrada", "Diferenca");
    SerieNota = txt("SerieNota", "Serie", "1");
    PedVendaNumAutomatico = flagS("PEDVENDA", "NUM_AUTOMATICO");
    PedVendaCadProdForaDeLinha = txt("PEDVENDA", "CADPRODFORADELINHA", "N");
    ExibeFoto = flagS("GERAL", "EXIBE_FOTO");
    TipoDeAtualizacao = num("AtualizaProducao", "TipodeAtualizacao", 2);
    ObrigatorioSetorAnterior = txt("AtualizaProducao", "ObrigatorioSetorAnterior", "S");
    QtdeMaxPadroniz = num("QtdeMAXPadroniz", "NPadroniz", 6);
    QtdeMPFprodLinhas = num("QtdeMPFprod", "Nlinhas", 30);
    QtdeMPFprodColunas = num("QtdeMPFprod", "Ncolunas", 2);

    const char* kRel = "RelatorioKWL";
    RelDuplicatas = txt(kRel, "Duplicatas", "");
    RelFichaProd = txt(kRel, "FichaProd", "");
    RelFichaAux = txt(kRel, "FichaAux", "");
    RelFichaComp = txt(kRel, "FichaComp", "");
    RelRotuloCaixa = txt(kRel, "RotuloCaixa", "");
    RelEtiqAvulsa = txt(kRel, "EtiqAvulsa", "");
    RelEtiqColetiva = txt(kRel, "EtiqColetiva", "");
    RelEtiqIndiv = txt(kRel, "EtiqIndiv", "");
    RelRconserto = txt(kRel, "Rconserto", "");
    RelFichaTecnica = txt(kRel, "FichaTecnica", "");
    RelEtiquetas = txt(kRel, "Etiquetas", "");
    RelNotaFiscal = txt(kRel, "NotaFiscal", "");
    RelOrcamento = txt(kRel, "Orcamento", "");
    RelRankVendas = txt(kRel, "RankVendas", "");
    RelRankVLinha = txt(kRel, "RankVLinha", "");
    RelMalaDireta = txt(kRel, "MalaDireta", "");
    RelPastaFotos = txt(kRel, "PastaFotos", "");

    EmissNotaNumLinhas = num("EmissNota", "NumLinhas", 3);
    EmissNotaTamLinha = num("EmissNota", "TamLinha", 30);
    EmissNotaNumLinhasExt = num("EmissNota", "NumLinhasExt", 5);
    EmissNotaTamLinhaExt = num("EmissNota", "TamLinhaExt", 100);
    EmissNotaNumDups = num("EmissNota", "NumDups", 3);
    EmissNotaImprimirDireto = txt("EmissNota", "ImprimirDireto", "");
    DescrProdNF = txt("DescrProdNF", "Descr", "");
    DirNotasEmitidas = txt("DirEmissNota", "Emitidas", "");
    DirNotasSalvas = txt("DirEmissNota", "Salvas", "");
    DirOrcamento = txt("DirEmissNota", "Orcamento", "");
    TemSubFicha = txt("UsarSubFicha", "TemSubFicha", "S");
    UsarSubFicha = txt("UsarSubFicha", "TemSubFicha", "S");
    PastaContabil = txt("PastaContabil", "PastaCont", " ");
    CodigoEmpresa = txt("CodigoDaEmpresa", "CodEmpresa", " ");
    AutorizPed = txt("PedAutoriz", "AutorizPed", " ");
    TipoPvNF = txt("TipoPvNF", "TipoPV", "");
    PercAbatPvNF = real("TipoPvNF", "PercAbat");
    GradeFichaProd = txt("GradeFichaProd", "GradeProd", "");
    CadCoresCodAuto = txt("CadCores", "CodAuto", "N");
    FichaAuxMudaPagina = txt("FichaAuxiliar", "MudaPagina", "S");
    ProdEstoqueFilial = num("PROD_ESTOQUE", "FILIAL", 100);
    // Byte keys keep the low 8 bits of the integer read.
    MPCorRelBarras = static_cast<std::uint8_t>(num("MPCorOuCor", "RelBarras", 1));
    MPCorEtiqIndiv = static_cast<std::uint8_t>(num("MPCorOuCor", "EtiqIndiv", 1));
    PathFigura = txt("PathFigura", "pathF", "");

    TiposNSai = ini.ReadSectionValues("TiposNSai");
    BloqueioCliente = ini.ReadSectionValues("BloqueioCliente");
    SituacaoItemPedidoVenda = ini.ReadSectionValues("SituacaoItemPedidoVenda");

    // Three successive reads of CHAVE, with the defaults "1", "2" and "3": a missing key
    // matches the first.
    if (txt("Banco", "CHAVE", "1") == "1")
        senhaBanco_ = "quindrape";
    else if (txt("Banco", "CHAVE", "2") == "2")
        senhaBanco_ = "tolbre37";
    else if (txt("Banco", "CHAVE", "3") == "3")
        senhaBanco_ = "TolBre37";
    else
        senhaBanco_ = "toLbrE37";

    if (DiasDeAteDupTexto != "INTERRO") DiasDeAteDup = InteiroEstrito(DiasDeAteDupTexto);
    if (DiasDupTexto != "INTERRO") DiasDup = InteiroEstrito(DiasDupTexto);

    if (TipoBanco == "ERRO") throw ESistemaError("Banco de dados não configurado no arquivo INI");

    CaminhoBanco = ResolverMono(CaminhoBanco);
}

TSistema::~TSistema() = default;

TSistema& Sistema() {
    auto& s = Instancia();
    if (!s) s = std::make_unique<TSistema>();  // a throwing constructor stores nothing
    return *s;
}

bool SistemaCriado() { return Instancia() != nullptr; }

void DestruirSistema() { Instancia().reset(); }
