#pragma once
// The system object: the one shared object of the process. It reads Parametros.ini once,
// when it is constructed, and holds every value read, the database password, the five
// database connections, the seven shared data modules, the main window and the name of
// the current user. It provides the system services (UServicosSistema.h), through which
// the units above the shell ask for parameters, the installation name, the clock, the
// connections and the user's branches; its own fields are reached through Sistema().
//
// The connections and data modules are owned by the application object (UAplicacao.h),
// not by the system object; these fields only refer to them.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "shell/UServicosSistema.h"

class QWidget;
class TCRSQLConnection;
class TdmIbAcesso;
class TdmIBCadastros;
class TdmIBTipos;
class TdmIBProducao;
class TdmIBFinanceiro;
class TdmIBTProd;
class TdmIBFatur;

namespace db {
class ClientDataSet;
}
namespace plat {
class IniFile;
}

// Raised when the configuration names no database kind.
class ESistemaError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TSistema : public IServicosSistema {
public:
    // Reads Parametros.ini from the configuration directory (see DiretorioConfiguracao).
    // Throws ESistemaError when [Banco] Banco is missing or "ERRO" (also when the file is
    // missing), plat::EConvertError when a strictly converted value is not an integer.
    TSistema();
    ~TSistema() override;
    TSistema(const TSistema&) = delete;
    TSistema& operator=(const TSistema&) = delete;

    // Directory that holds Parametros.ini: the executable's directory, unless overridden
    // by DefinirDiretorioConfiguracao (non-empty) or else by the environment variable
    // PRAVOLT_CONFIG_DIR (non-empty). The "MONO:" rule always uses the executable's
    // directory.
    static std::string DiretorioConfiguracao();
    static void DefinirDiretorioConfiguracao(const std::string& dir);  // "" = no override
    static std::string ArquivoConfiguracao();  // DiretorioConfiguracao() + "/Parametros.ini"

    // Parametros.ini, parsed once and shared by its readers (the system object, the access
    // data modules, the accounting format ...) for as long as one of them holds it; the
    // system object holds it for its whole life. A file changed meanwhile is parsed anew.
    static std::shared_ptr<const plat::IniFile> Configuracao();

    // What is wrong with the configuration file, as the message shown at start-up (the
    // full path and the reason: missing, a folder, unreadable); empty when it was read.
    static std::string ProblemaConfiguracao(const plat::IniFile& ini);

    // The "MONO:" rule for database locations: a value whose first five characters are
    // "MONO:" in any case becomes the executable's directory + "/bdados/" + the rest;
    // any other value is returned unchanged. ([Paths] DB here, [Paths] ACESSO in the
    // access data module.)
    static std::string ResolverMono(const std::string& caminho);

    // The database password chosen by [Banco] CHAVE.
    const std::string& SenhaBanco() const { return senhaBanco_; }

    // --- connections (USistemaConexoes.cpp) ----------------------------------------
    void CriarConexoes();
    void ConfigurarConexoes();
    void ConfigurarInterBase();
    void ConfigurarFireBird();
    void ConfigurarDevart();

    // --- shared data modules (USistemaModulos.cpp) -----------------------------------
    void CriarDataModules();

    // --- query services (UServicosSistema.cpp; the system services of the program) ---
    db::Connection& Conexao() override;          // ConexaoPrincipal (an error when missing)
    db::Connection& ConexaoUsuarios() override;  // the access module's connLogin, opened
    db::Query& ConsultaUsuarios() override;      // the access module's sqlUsu
    std::string LerParametro(const std::string& grupo, const std::string& param) override;
    std::string NomeEmpresa() override;
    plat::TDateTime DataServidor() override;
    std::string NomeUsuario() override { return Usuario; }
    // Through the access module's cdsFilialUsu, left open after its last row.
    std::vector<std::string> FiliaisUsuario() override;
    void CarregarDados(db::ClientDataSet& cds, const std::string& sql);

    // --- run-time references (not owned) --------------------------------------------
    TCRSQLConnection* ConexaoPrincipal = nullptr;
    TCRSQLConnection* ConexaoConsulta = nullptr;
    TCRSQLConnection* ConexaoCep = nullptr;
    TCRSQLConnection* ConexaoFabrica = nullptr;
    TCRSQLConnection* ConexaoCatalogo = nullptr;

    TdmIBCadastros* DmCadastros = nullptr;
    TdmIBTipos* DmTipos = nullptr;
    TdmIBProducao* DmProducao = nullptr;
    TdmIBFinanceiro* DmFinanceiro = nullptr;
    TdmIbAcesso* Acesso = nullptr;
    TdmIBTProd* DmTProd = nullptr;
    TdmIBFatur* DmFatur = nullptr;

    std::string Usuario;  // never assigned by this program: there is no login step
    QWidget* FormPrincipal = nullptr;
    QWidget* JanelaAtiva = nullptr;

    // --- configuration values --------------------------------------------------------
    // [Banco]
    std::string TipoBanco;  // Banco: "InterBase", "FireBird", "DevartFireBird", ...
    // [Paths]
    std::string CaminhoBanco;     // DB, after the "MONO:" rule
    std::string CaminhoFabrica;   // DB_FABRICA
    std::string CaminhoCep;       // DBCEP
    std::string CaminhoCatalogo;  // DB_CATALOGO
    std::string CaminhoConsulta;  // DBCons

    // Values held for the suite's shared configuration format.
    // [OBS] (strict integers)
    int ObsLinhas = 0;           // Linhas
    int ObsCaracteresLinha = 0;  // CaracteresLinha
    // [MovtoLancto]
    std::string MovtoLanctoForCli;  // ForCli
    // [Lancamento]
    std::string LancamentoAdd;     // Add
    std::string LancamentoAddRec;  // AddRec
    // [Intervalo Dias Dup]: text as read and its strict integer ("INTERRO" = not set, 0)
    std::string DiasDupTexto;       // Dias
    int DiasDup = 0;
    std::string DiasDeAteDupTexto;  // DiasDeAte
    int DiasDeAteDup = 0;
    int DtBaseProrrDup = 0;         // DtBaseProrr
    // [QuitacaoDup]
    std::string QuitacaoJuros;     // Juros
    std::string QuitacaoDesconto;  // Desconto
    std::string QuitacaoDespesa;   // Despesa
    // [TamanhoGrade]
    int TamanhoGrade = 0;  // Tamanho
    // [Diferenca]
    double DiferencaMaxima = 0;  // Maxima
    // [Grade]
    std::string ComGrade;  // ComGrade
    // [CabecPad]
    std::string TituloRel;  // TituloRel
    // [FilialPadrao]
    std::string FilialPad, FilialPad2, FilialPad3, FilialPad4;
    // [AvisoDeb]
    std::string AvisoDebSituacao;      // Situacao
    int AvisoDebDiasLimite = 0;        // DiasLimite
    bool AvisoDebQuitarDups = false;   // QuitarDups
    std::string AvisoDebCarteira;      // Carteira
    std::string AvisoDebSitQ;          // SitQ
    // [GradePedVend]
    std::string GradePedVend;  // Grade
    // [GrupoSolado]
    std::string GrupoSolado;  // GrupoSd
    // [GrupoSalto]
    std::string GrupoSalto;  // Salto
    // [UsaGradePad]
    std::string UsaGradePad;  // Gradepad
    // [DirRelato]
    std::string DirRelato;  // Pasta
    // [Estoque]
    std::string EstoqueNegativo;  // Negativo
    // [PADRONIZACAO]
    bool PadronizacaoCodAutoInc = false;  // CODAUTOINC
    // [BancoNota]
    std::string BancoNotaBanco;  // Banco
    std::string BancoNotaSit;    // Sit
    // [NotaEntrada]
    std::string NotaEntradaSituacao;  // Situacao
    double NotaEntradaDiferenca = 0;  // Diferenca
    // [SerieNota]
    std::string SerieNota;  // Serie
    // [PEDVENDA]
    bool PedVendaNumAutomatico = false;        // NUM_AUTOMATICO
    std::string PedVendaCadProdForaDeLinha;    // CADPRODFORADELINHA
    // [GERAL]
    bool ExibeFoto = false;  // EXIBE_FOTO
    // [AtualizaProducao]
    int TipoDeAtualizacao = 0;             // TipodeAtualizacao
    std::string ObrigatorioSetorAnterior;  // ObrigatorioSetorAnterior
    // [QtdeMAXPadroniz]
    int QtdeMaxPadroniz = 0;  // NPadroniz
    // [QtdeMPFprod]
    int QtdeMPFprodLinhas = 0;   // Nlinhas
    int QtdeMPFprodColunas = 0;  // Ncolunas
    // [RelatorioKWL]
    std::string RelDuplicatas, RelFichaProd, RelFichaAux, RelFichaComp, RelRotuloCaixa, RelEtiqAvulsa,
        RelEtiqColetiva, RelEtiqIndiv, RelRconserto, RelFichaTecnica, RelEtiquetas, RelNotaFiscal,
        RelOrcamento, RelRankVendas, RelRankVLinha, RelMalaDireta, RelPastaFotos;
    // [EmissNota]
    int EmissNotaNumLinhas = 0;      // NumLinhas
    int EmissNotaTamLinha = 0;       // TamLinha
    int EmissNotaNumLinhasExt = 0;   // NumLinhasExt
    int EmissNotaTamLinhaExt = 0;    // TamLinhaExt
    int EmissNotaNumDups = 0;        // NumDups
    std::string EmissNotaImprimirDireto;  // ImprimirDireto
    // [DescrProdNF]
    std::string DescrProdNF;  // Descr
    // [DirEmissNota]
    std::string DirNotasEmitidas;  // Emitidas
    std::string DirNotasSalvas;    // Salvas
    std::string DirOrcamento;      // Orcamento
    // [UsarSubFicha] TemSubFicha, read twice into two fields
    std::string TemSubFicha;
    std::string UsarSubFicha;
    // [PastaContabil]
    std::string PastaContabil;  // PastaCont
    // [CodigoDaEmpresa]
    std::string CodigoEmpresa;  // CodEmpresa
    // [PedAutoriz]
    std::string AutorizPed;  // AutorizPed
    // [TipoPvNF]
    std::string TipoPvNF;    // TipoPV
    double PercAbatPvNF = 0;  // PercAbat
    // [GradeFichaProd]
    std::string GradeFichaProd;  // GradeProd
    // [CadCores]
    std::string CadCoresCodAuto;  // CodAuto
    // [FichaAuxiliar]
    std::string FichaAuxMudaPagina;  // MudaPagina
    // [PROD_ESTOQUE]
    int ProdEstoqueFilial = 0;  // FILIAL
    // [MPCorOuCor] (8-bit)
    std::uint8_t MPCorRelBarras = 0;  // RelBarras
    std::uint8_t MPCorEtiqIndiv = 0;  // EtiqIndiv
    // [PathFigura]
    std::string PathFigura;  // pathF

    // Whole sections, their lines "name=value" in file order.
    std::vector<std::string> TiposNSai;
    std::vector<std::string> BloqueioCliente;
    std::vector<std::string> SituacaoItemPedidoVenda;

private:
    std::string senhaBanco_;
    std::shared_ptr<const plat::IniFile> configuracao_;
};

// The system object, constructed on first use. A failed construction stores nothing and
// its error reaches the caller; the next call tries again.
TSistema& Sistema();

// True when the system object exists (does not construct it).
bool SistemaCriado();

// Destroys the system object (the main window calls this at its destruction). A later
// call of Sistema() constructs a new one instead of reaching a destroyed object.
void DestruirSistema();
