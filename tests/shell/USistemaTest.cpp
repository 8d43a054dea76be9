#include "shell/USistema.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/Executavel.h"
#include "platform/Mensagens.h"

namespace {

// A configuration directory of its own for each test; Parametros.ini is written as raw
// Windows-1252 bytes.
class SistemaTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string modelo = (std::filesystem::temp_directory_path() / "sistemaXXXXXX").string();
        dir_ = mkdtemp(modelo.data());
        TSistema::DefinirDiretorioConfiguracao(dir_);
        DestruirSistema();
    }
    void TearDown() override {
        DestruirSistema();
        TSistema::DefinirDiretorioConfiguracao("");
        std::filesystem::remove_all(dir_);
    }
    void Escrever(const std::string& bytes) {
        std::ofstream(dir_ + "/Parametros.ini", std::ios::binary | std::ios::trunc) << bytes;
    }
    // Constructs from a file that holds [Banco] Banco=FireBird plus the given lines.
    std::unique_ptr<TSistema> Com(const std::string& resto) {
        Escrever("[Banco]\nBanco=FireBird\n" + resto);
        return std::make_unique<TSistema>();
    }
    std::string dir_;
};

template <class E>
std::string ErroDe(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "(nothing raised)";
}

TEST_F(SistemaTest, DefaultsOfAFileWithOnlyTheDatabaseKind) {
    auto s = Com("");
    EXPECT_EQ(s->TipoBanco, "FireBird");
    EXPECT_EQ(s->SenhaBanco(), "quindrape");
    EXPECT_EQ(s->CaminhoBanco, "PATHERROR");
    EXPECT_EQ(s->CaminhoFabrica, "PATHERROR");
    EXPECT_EQ(s->CaminhoCep, "PATHERROR");
    EXPECT_EQ(s->CaminhoCatalogo, "PATHERROR");
    EXPECT_EQ(s->CaminhoConsulta, "PATHCONSERROR");
    EXPECT_EQ(s->ObsLinhas, 0);
    EXPECT_EQ(s->ObsCaracteresLinha, 0);
    EXPECT_EQ(s->DiasDupTexto, "INTERRO");
    EXPECT_EQ(s->DiasDup, 0);
    EXPECT_EQ(s->DiasDeAteDup, 0);
    EXPECT_EQ(s->MovtoLanctoForCli, "ERRO");
    EXPECT_EQ(s->LancamentoAddRec, "ADDERRO");
    EXPECT_EQ(s->TamanhoGrade, 25);
    EXPECT_EQ(s->TituloRel, " ");
    EXPECT_EQ(s->DirRelato, "C:\\Temp");
    EXPECT_EQ(s->AvisoDebSituacao, "00");
    EXPECT_EQ(s->AvisoDebSitQ, "10");
    EXPECT_TRUE(s->AvisoDebQuitarDups);
    EXPECT_TRUE(s->PadronizacaoCodAutoInc);
    EXPECT_TRUE(s->PedVendaNumAutomatico);
    EXPECT_TRUE(s->ExibeFoto);
    EXPECT_EQ(s->TipoDeAtualizacao, 2);
    EXPECT_EQ(s->QtdeMaxPadroniz, 6);
    EXPECT_EQ(s->QtdeMPFprodLinhas, 30);
    EXPECT_EQ(s->EmissNotaTamLinhaExt, 100);
    EXPECT_EQ(s->ProdEstoqueFilial, 100);
    EXPECT_EQ(s->MPCorRelBarras, 1);
    EXPECT_EQ(s->MPCorEtiqIndiv, 1);
    EXPECT_EQ(s->TemSubFicha, "S");
    EXPECT_EQ(s->UsarSubFicha, "S");
    EXPECT_EQ(s->SerieNota, "1");
    EXPECT_EQ(s->FilialPad4, "");
    EXPECT_DOUBLE_EQ(s->DiferencaMaxima, 0);
    EXPECT_TRUE(s->TiposNSai.empty());
    EXPECT_TRUE(s->BloqueioCliente.empty());
    EXPECT_TRUE(s->SituacaoItemPedidoVenda.empty());
    EXPECT_EQ(s->Usuario, "");
    EXPECT_EQ(s->ConexaoPrincipal, nullptr);
    EXPECT_EQ(s->Acesso, nullptr);
}

// Every key is read from its own section under its own name.
TEST_F(SistemaTest, EveryKeyIsReadFromItsSection) {
    auto s = Com(
        "[Paths]\nDB=srv:/db/main.fdb\nDB_FABRICA=f.fdb\nDBCEP=cep.fdb\nDB_CATALOGO=cat.fdb\nDBCons=cons.fdb\n"
        "[OBS]\nLinhas=12\nCaracteresLinha=$20\n"
        "[MovtoLancto]\nForCli=F\n[Lancamento]\nAdd=a1\nAddRec=a2\n"
        "[Intervalo Dias Dup]\nDias=15\nDiasDeAte=-3\nDtBaseProrr=4\n"
        "[QuitacaoDup]\nJuros=j\nDesconto=d\nDespesa=e\n[TamanhoGrade]\nTamanho=33\n"
        "[Diferenca]\nMaxima=1,5\n[Grade]\nComGrade=N\n[CabecPad]\nTituloRel=Cal\xE7""ados\n"
        "[FilialPadrao]\nFilialPad=1\nFilialPad2=2\nFilialPad3=3\nFilialPad4=4\n"
        "[AvisoDeb]\nSituacao=01\nDiasLimite=9\nQuitarDups=N\nCarteira=K\nSitQ=11\n"
        "[GradePedVend]\nGrade=g\n[GrupoSolado]\nGrupoSd=18\n[GrupoSalto]\nSalto=19\n"
        "[UsaGradePad]\nGradepad=gp\n[DirRelato]\nPasta=/tmp/rel\n[Estoque]\nNegativo=S\n"
        "[PADRONIZACAO]\nCODAUTOINC=N\n[BancoNota]\nBanco=341\nSit=x\n"
        "[NotaEntrada]\nSituacao=ne\nDiferenca=0.25\n[SerieNota]\nSerie=2\n"
        "[PEDVENDA]\nNUM_AUTOMATICO=N\nCADPRODFORADELINHA=S\n[GERAL]\nEXIBE_FOTO=s\n"
        "[AtualizaProducao]\nTipodeAtualizacao=1\nObrigatorioSetorAnterior=N\n"
        "[QtdeMAXPadroniz]\nNPadroniz=8\n[QtdeMPFprod]\nNlinhas=40\nNcolunas=3\n"
        "[RelatorioKWL]\nDuplicatas=r1\nFichaProd=r2\nFichaAux=r3\nFichaComp=r4\nRotuloCaixa=r5\n"
        "EtiqAvulsa=r6\nEtiqColetiva=r7\nEtiqIndiv=r8\nRconserto=r9\nFichaTecnica=r10\nEtiquetas=r11\n"
        "NotaFiscal=r12\nOrcamento=r13\nRankVendas=r14\nRankVLinha=r15\nMalaDireta=r16\nPastaFotos=r17\n"
        "[EmissNota]\nNumLinhas=4\nTamLinha=31\nNumLinhasExt=6\nTamLinhaExt=101\nNumDups=2\nImprimirDireto=S\n"
        "[DescrProdNF]\nDescr=dp\n[DirEmissNota]\nEmitidas=em\nSalvas=sv\nOrcamento=or\n"
        "[UsarSubFicha]\nTemSubFicha=N\n[PastaContabil]\nPastaCont=pc\n[CodigoDaEmpresa]\nCodEmpresa=7\n"
        "[PedAutoriz]\nAutorizPed=ap\n[TipoPvNF]\nTipoPV=tp\nPercAbat=2.5\n[GradeFichaProd]\nGradeProd=gf\n"
        "[CadCores]\nCodAuto=S\n[FichaAuxiliar]\nMudaPagina=N\n[PROD_ESTOQUE]\nFILIAL=200\n"
        "[MPCorOuCor]\nRelBarras=257\nEtiqIndiv=2\n[PathFigura]\npathF=/fotos\n");
    EXPECT_EQ(s->CaminhoBanco, "srv:/db/main.fdb");
    EXPECT_EQ(s->CaminhoFabrica + s->CaminhoCep + s->CaminhoCatalogo + s->CaminhoConsulta,
              "f.fdbcep.fdbcat.fdbcons.fdb");
    EXPECT_EQ(s->ObsLinhas, 12);
    EXPECT_EQ(s->ObsCaracteresLinha, 32);
    EXPECT_EQ(s->MovtoLanctoForCli + s->LancamentoAdd + s->LancamentoAddRec, "Fa1a2");
    EXPECT_EQ(s->DiasDup, 15);
    EXPECT_EQ(s->DiasDeAteDup, -3);
    EXPECT_EQ(s->DtBaseProrrDup, 4);
    EXPECT_EQ(s->QuitacaoJuros + s->QuitacaoDesconto + s->QuitacaoDespesa, "jde");
    EXPECT_EQ(s->TamanhoGrade, 33);
    EXPECT_DOUBLE_EQ(s->DiferencaMaxima, 1.5);
    EXPECT_EQ(s->ComGrade, "N");
    EXPECT_EQ(s->TituloRel, "Calçados");
    EXPECT_EQ(s->FilialPad + s->FilialPad2 + s->FilialPad3 + s->FilialPad4, "1234");
    EXPECT_EQ(s->AvisoDebSituacao + s->AvisoDebCarteira + s->AvisoDebSitQ, "01K11");
    EXPECT_EQ(s->AvisoDebDiasLimite, 9);
    EXPECT_FALSE(s->AvisoDebQuitarDups);
    EXPECT_EQ(s->GradePedVend + s->GrupoSolado + s->GrupoSalto + s->UsaGradePad, "g1819gp");
    EXPECT_EQ(s->DirRelato, "/tmp/rel");
    EXPECT_EQ(s->EstoqueNegativo, "S");
    EXPECT_FALSE(s->PadronizacaoCodAutoInc);
    EXPECT_EQ(s->BancoNotaBanco + s->BancoNotaSit + s->NotaEntradaSituacao, "341xne");
    EXPECT_DOUBLE_EQ(s->NotaEntradaDiferenca, 0.25);
    EXPECT_EQ(s->SerieNota, "2");
    EXPECT_FALSE(s->PedVendaNumAutomatico);
    EXPECT_EQ(s->PedVendaCadProdForaDeLinha, "S");
    EXPECT_FALSE(s->ExibeFoto);  // only an upper-case S is true
    EXPECT_EQ(s->TipoDeAtualizacao, 1);
    EXPECT_EQ(s->ObrigatorioSetorAnterior, "N");
    EXPECT_EQ(s->QtdeMaxPadroniz, 8);
    EXPECT_EQ(s->QtdeMPFprodLinhas * 10 + s->QtdeMPFprodColunas, 403);
    EXPECT_EQ(s->RelDuplicatas + s->RelFichaProd + s->RelFichaAux + s->RelFichaComp + s->RelRotuloCaixa +
                  s->RelEtiqAvulsa + s->RelEtiqColetiva + s->RelEtiqIndiv + s->RelRconserto,
              "r1r2r3r4r5r6r7r8r9");
    EXPECT_EQ(s->RelFichaTecnica + s->RelEtiquetas + s->RelNotaFiscal + s->RelOrcamento + s->RelRankVendas +
                  s->RelRankVLinha + s->RelMalaDireta + s->RelPastaFotos,
              "r10r11r12r13r14r15r16r17");
    EXPECT_EQ(s->EmissNotaNumLinhas, 4);
    EXPECT_EQ(s->EmissNotaTamLinha, 31);
    EXPECT_EQ(s->EmissNotaNumLinhasExt, 6);
    EXPECT_EQ(s->EmissNotaTamLinhaExt, 101);
    EXPECT_EQ(s->EmissNotaNumDups, 2);
    EXPECT_EQ(s->EmissNotaImprimirDireto, "S");
    EXPECT_EQ(s->DescrProdNF + s->DirNotasEmitidas + s->DirNotasSalvas + s->DirOrcamento, "dpemsvor");
    EXPECT_EQ(s->TemSubFicha + s->UsarSubFicha, "NN");
    EXPECT_EQ(s->PastaContabil + s->CodigoEmpresa + s->AutorizPed, "pc7ap");
    EXPECT_EQ(s->TipoPvNF, "tp");
    EXPECT_DOUBLE_EQ(s->PercAbatPvNF, 2.5);
    EXPECT_EQ(s->GradeFichaProd + s->CadCoresCodAuto + s->FichaAuxMudaPagina, "gfSN");
    EXPECT_EQ(s->ProdEstoqueFilial, 200);
    EXPECT_EQ(s->MPCorRelBarras, 1);  // 257 kept in 8 bits
    EXPECT_EQ(s->MPCorEtiqIndiv, 2);
    EXPECT_EQ(s->PathFigura, "/fotos");
}

TEST_F(SistemaTest, UnparsableNumbersFallBackAndEmptyTextsStayEmpty) {
    auto s = Com("[TamanhoGrade]\nTamanho=abc\n[Diferenca]\nMaxima=1.2.3\n[MPCorOuCor]\nRelBarras=x\n"
                 "[CabecPad]\nTituloRel=\n[AvisoDeb]\nQuitarDups=\n[Paths]\nDBCons=\n");
    EXPECT_EQ(s->TamanhoGrade, 25);
    EXPECT_DOUBLE_EQ(s->DiferencaMaxima, 0);
    EXPECT_EQ(s->MPCorRelBarras, 1);
    EXPECT_EQ(s->TituloRel, "");
    EXPECT_FALSE(s->AvisoDebQuitarDups);
    EXPECT_EQ(s->CaminhoConsulta, "");
}

TEST_F(SistemaTest, PasswordChosenByChave) {
    struct Caso {
        const char* linha;
        const char* senha;
    };
    for (const Caso& c : {Caso{"", "quindrape"}, Caso{"CHAVE=1\n", "quindrape"}, Caso{"CHAVE=2\n", "tolbre37"},
                          Caso{"chave=3\n", "TolBre37"}, Caso{"CHAVE=4\n", "toLbrE37"},
                          Caso{"CHAVE=01\n", "toLbrE37"}, Caso{"CHAVE=\n", "toLbrE37"},
                          Caso{"CHAVE= 2 \n", "tolbre37"}}) {
        Escrever(std::string("[Banco]\nBanco=InterBase\n") + c.linha);
        EXPECT_EQ(TSistema().SenhaBanco(), c.senha) << c.linha;
    }
}

TEST_F(SistemaTest, MonoPrefixResolvesBesideTheExecutable) {
    const std::string bdados = plat::DiretorioExecutavel() + "/bdados/";
    struct Caso {
        const char* valor;
        std::string esperado;
    };
    for (const Caso& c : {Caso{"MONO:Dados.fdb", bdados + "Dados.fdb"}, Caso{"mono:Dados.fdb", bdados + "Dados.fdb"},
                          Caso{"Mono:sub/x.fdb", bdados + "sub/x.fdb"}, Caso{"MONO:", bdados},
                          Caso{"MONODados.fdb", "MONODados.fdb"}, Caso{"MONO", "MONO"},
                          Caso{"srv:/MONO:x", "srv:/MONO:x"}}) {
        auto s = Com(std::string("[Paths]\nDB=") + c.valor + "\nDB_FABRICA=MONO:f.fdb\n");
        EXPECT_EQ(s->CaminhoBanco, c.esperado) << c.valor;
        EXPECT_EQ(s->CaminhoFabrica, "MONO:f.fdb");  // the other locations are used as read
    }
}

TEST_F(SistemaTest, MissingDatabaseKindFails) {
    const std::string texto = "Banco de dados não configurado no arquivo INI";
    EXPECT_EQ(ErroDe<ESistemaError>([] { TSistema s; }), texto);  // no file at all
    Escrever("[Banco]\nCHAVE=2\n");
    EXPECT_EQ(ErroDe<ESistemaError>([] { TSistema s; }), texto);
    Escrever("[Banco]\nBanco=ERRO\n");
    EXPECT_EQ(ErroDe<ESistemaError>([] { TSistema s; }), texto);
    Escrever("[Banco]\nBanco=\n");  // an empty kind is some other kind: accepted
    EXPECT_EQ(TSistema().TipoBanco, "");
}

TEST_F(SistemaTest, StrictConversionsEndConstruction) {
    // [OBS] is converted before any other check, so its error wins over the missing kind.
    Escrever("[OBS]\nLinhas=dez\n");
    EXPECT_EQ(ErroDe<plat::EConvertError>([] { TSistema s; }), "'dez' não é um valor inteiro válido");
    Escrever("[Banco]\nBanco=FireBird\n[OBS]\nCaracteresLinha=8x\n");
    EXPECT_EQ(ErroDe<plat::EConvertError>([] { TSistema s; }), "'8x' não é um valor inteiro válido");
    // [Intervalo Dias Dup] is converted before the kind is checked as well.
    Escrever("[Intervalo Dias Dup]\nDias=quinze\n");
    EXPECT_EQ(ErroDe<plat::EConvertError>([] { TSistema s; }), "'quinze' não é um valor inteiro válido");
    Escrever("[Banco]\nBanco=FireBird\n[Intervalo Dias Dup]\nDias=10\nDiasDeAte=\n");
    EXPECT_EQ(ErroDe<plat::EConvertError>([] { TSistema s; }), "'' não é um valor inteiro válido");
    // Written literally, INTERRO means "not set".
    auto s = Com("[Intervalo Dias Dup]\nDias=INTERRO\nDiasDeAte=5\n");
    EXPECT_EQ(s->DiasDup, 0);
    EXPECT_EQ(s->DiasDeAteDup, 5);
}

TEST_F(SistemaTest, WholeSectionsAsListsInFileOrder) {
    auto s = Com("[TiposNSai]\nA=1\nB=2\n[BloqueioCliente]\n01=S\n[SituacaoItemPedidoVenda]\nZ=9\nY=Situa\xE7\xE3o\n");
    EXPECT_EQ(s->TiposNSai, (std::vector<std::string>{"A=1", "B=2"}));
    EXPECT_EQ(s->BloqueioCliente, (std::vector<std::string>{"01=S"}));
    EXPECT_EQ(s->SituacaoItemPedidoVenda, (std::vector<std::string>{"Z=9", "Y=Situação"}));
}

TEST_F(SistemaTest, AccessorConstructsOnceAndRetriesAfterFailure) {
    Escrever("[Banco]\nBanco=ERRO\n");
    EXPECT_THROW(Sistema(), ESistemaError);
    EXPECT_FALSE(SistemaCriado());
    EXPECT_THROW(Sistema(), ESistemaError);  // tries again, fails again

    Escrever("[Banco]\nBanco=FireBird\n[Paths]\nDB=first.fdb\n");
    TSistema& primeiro = Sistema();
    EXPECT_TRUE(SistemaCriado());
    EXPECT_EQ(primeiro.CaminhoBanco, "first.fdb");

    // The file is read once: later changes are not seen, and the object is the same.
    Escrever("[Banco]\nBanco=FireBird\n[Paths]\nDB=second.fdb\n");
    EXPECT_EQ(&Sistema(), &primeiro);
    EXPECT_EQ(Sistema().CaminhoBanco, "first.fdb");

    // After destruction a new object is built rather than the destroyed one returned.
    DestruirSistema();
    EXPECT_FALSE(SistemaCriado());
    EXPECT_EQ(Sistema().CaminhoBanco, "second.fdb");
}

TEST_F(SistemaTest, ConfigurationDirectoryOverride) {
    TSistema::DefinirDiretorioConfiguracao("");
    unsetenv("PRAVOLT_CONFIG_DIR");
    EXPECT_EQ(TSistema::ArquivoConfiguracao(), plat::DiretorioExecutavel() + "/Parametros.ini");
    setenv("PRAVOLT_CONFIG_DIR", "/etc/pravolt", 1);
    EXPECT_EQ(TSistema::ArquivoConfiguracao(), "/etc/pravolt/Parametros.ini");
    TSistema::DefinirDiretorioConfiguracao(dir_);
    EXPECT_EQ(TSistema::DiretorioConfiguracao(), dir_);
    unsetenv("PRAVOLT_CONFIG_DIR");
}

}  // namespace
