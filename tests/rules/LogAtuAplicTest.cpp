// Fetching the release history from a service on the loopback interface.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

#include "LogAtuAplicServidor.h"
#include "platform/Mensagens.h"
#include "rules/ULogAtuAplic.h"
#include "shell/USistema.h"
#include "support/ServicosDeTeste.h"
#include "support/TestDb.h"

using namespace logaplic;

namespace {

const char* const kRespostaNormal = R"({"success": true, "message": "", "result": [
  {"versao": 6727, "data": "10/01/2024", "descricao": "<b>Geral</b>", "empresa": ""},
  {"versao": 6728, "data": "05/02/2024", "descricao": "<p>Nossa</p>", "empresa": "CALÇADOS EXEMPLO LTDA"},
  {"versao": 6729, "data": "01/03/2024", "descricao": "Outra", "empresa": "OUTRA FÁBRICA"},
  {"versao": 6730, "data": "20/03/24", "descricao": null, "empresa": null}
]})";

class LogAtuAplicTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        EscreverConfiguracao("[Banco]\nBanco=FireBird\n[LogAtualizacao]\nServidor=" + servidor_.Endereco() + "\n");
        TSistema::DefinirDiretorioConfiguracao(dir_.path().toStdString());
        Ambiente& a = AmbienteAtual();
        a.servidor = nullptr;  // read from Parametros.ini
        DefinirEmpresa("CALÇADOS EXEMPLO LTDA");
        a.tempoTotalMs = 5000;
    }
    void TearDown() override {
        RestaurarAmbiente();
        TSistema::DefinirDiretorioConfiguracao("");
    }
    void EscreverConfiguracao(const std::string& texto) {
        std::ofstream(dir_.filePath("Parametros.ini").toStdString(), std::ios::binary | std::ios::trunc) << texto;
    }
    std::vector<int> Versoes(const std::vector<VersaoLog>& l) {
        std::vector<int> r;
        for (const auto& v : l) r.push_back(v.versao);
        return r;
    }
    // The error text of a fetch that must fail, with the reply the server is set to give.
    std::string ErroDeServidor() {
        try {
            CarregarVersoes("KWX", "FRMDISTSERV");
        } catch (const std::exception& e) {
            return e.what();
        }
        return "<sem erro>";
    }
    // The error text of a fetch that must fail.
    std::string ErroDe(const std::string& corpo, int status = 200) {
        servidor_.Responder(status, corpo);
        try {
            CarregarVersoes("KWX", "FRMDISTSERV");
        } catch (const std::exception& e) {
            return e.what();
        }
        return "<sem erro>";
    }

    QTemporaryDir dir_;
    ServidorHttpTeste servidor_;
    ServicosDeTeste servicos_{BancoEmpresa().Conn()};
};

TEST_F(LogAtuAplicTest, PostaOsCamposDoFormularioNoCaminhoDoServico) {
    servidor_.Responder(200, kRespostaNormal);
    CarregarVersoes("KWX", "FRMDISTSERV");
    ASSERT_EQ(servidor_.Pedidos().size(), 1u);
    const PedidoRecebido p = servidor_.Pedidos()[0];
    EXPECT_EQ(p.metodo, "POST");
    EXPECT_EQ(p.caminho, "/services/index.php/aplicativolog/listar");
    EXPECT_EQ(p.Cabecalho("content-type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(p.Cabecalho("user-agent"), "Mozilla/3.0 (compatible; Indy Library)");
    EXPECT_EQ(p.Cabecalho("accept"), "text/html, */*");
    EXPECT_EQ(p.Cabecalho("host"), servidor_.Endereco());
    EXPECT_EQ(CampoFormulario(p.corpo, "programa"), "KWX");
    EXPECT_EQ(CampoFormulario(p.corpo, "form"), "FRMDISTSERV");

    // Values that need encoding arrive intact.
    CarregarVersoes("K W&X", "FRM=AÇÃO+1%");
    const PedidoRecebido q = servidor_.Pedidos().at(1);
    EXPECT_EQ(CampoFormulario(q.corpo, "programa"), "K W&X");
    EXPECT_EQ(CampoFormulario(q.corpo, "form"), "FRM=AÇÃO+1%");
}

TEST_F(LogAtuAplicTest, ListaAsGeraisEAsDaEmpresaNaOrdemDoServico) {
    servidor_.Responder(200, kRespostaNormal);
    const auto l = CarregarVersoes("KWX", "FRMDISTSERV");
    EXPECT_EQ(Versoes(l), (std::vector<int>{6727, 6728, 6730}));
    EXPECT_EQ(l[0].data, plat::EncodeDate(2024, 1, 10));
    EXPECT_EQ(l[0].descricao, "<b>Geral</b>");
    EXPECT_EQ(l[0].empresa, "");
    EXPECT_EQ(l[1].empresa, "CALÇADOS EXEMPLO LTDA");
    EXPECT_EQ(l[2].data, plat::EncodeDate(2024, 3, 20));  // two-digit year
    EXPECT_EQ(l[2].descricao, "");                       // null reads as empty

    // An installation named in no row sees the general releases only; the comparison is exact.
    DefinirEmpresa("calçados exemplo ltda");
    EXPECT_EQ(Versoes(CarregarVersoes("KWX", "F")), (std::vector<int>{6727, 6730}));

    // The maker's support user sees everything.
    servicos_.Usuario = "QUENDA";
    EXPECT_EQ(Versoes(CarregarVersoes("KWX", "F")), (std::vector<int>{6727, 6728, 6729, 6730}));
    servicos_.Usuario = "quenda";
    EXPECT_EQ(Versoes(CarregarVersoes("KWX", "F")), (std::vector<int>{6727, 6730}));
}

TEST_F(LogAtuAplicTest, RespostaVaziaNaoEErro) {
    servidor_.Responder(200, R"({"success": true, "result": []})");
    EXPECT_TRUE(CarregarVersoes("KWX", "F").empty());
}

TEST_F(LogAtuAplicTest, RespostasRecusadasOuForaDoFormato) {
    EXPECT_EQ(ErroDe(R"({"success": false, "message": "Programa não cadastrado"})"), "Programa não cadastrado");
    EXPECT_EQ(ErroDe(R"({"success": false})"), "O serviço de log de atualizações recusou o pedido.");

    const std::string prefixo = "Resposta inválida do serviço de log de atualizações: ";
    EXPECT_EQ(ErroDe("<html>Erro interno</html>"), prefixo + "não é um objeto JSON.");
    EXPECT_EQ(ErroDe(""), prefixo + "não é um objeto JSON.");
    EXPECT_EQ(ErroDe("[1, 2]"), prefixo + "não é um objeto JSON.");
    EXPECT_EQ(ErroDe(R"({"success": true, "result": [)"), prefixo + "não é um objeto JSON.");
    EXPECT_EQ(ErroDe(R"({"result": []})"), prefixo + "falta a chave \"success\".");
    EXPECT_EQ(ErroDe(R"({"success": "true", "result": []})"), prefixo + "\"success\" não é um valor lógico.");
    EXPECT_EQ(ErroDe(R"({"success": true})"), prefixo + "falta a chave \"result\".");
    EXPECT_EQ(ErroDe(R"({"success": true, "result": {}})"), prefixo + "\"result\" não é uma lista.");
    EXPECT_EQ(ErroDe(R"({"success": true, "result": [5]})"), prefixo + "o item 1 de \"result\" não é um objeto.");
    EXPECT_EQ(ErroDe(R"({"success": true, "result": [
                  {"versao": 1, "data": "01/01/2024", "descricao": "", "empresa": ""},
                  {"versao": "2", "data": "01/01/2024", "descricao": "", "empresa": ""}]})"),
              prefixo + "no item 2 de \"result\", \"versao\" não é um número inteiro.");
    EXPECT_EQ(ErroDe(R"({"success": true, "result": [{"versao": 1, "descricao": "", "empresa": ""}]})"),
              prefixo + "no item 1 de \"result\", falta a chave \"data\".");
    EXPECT_EQ(ErroDe(R"({"success": true, "result": [{"versao": 1, "data": "01/01/2024", "empresa": ""}]})"),
              prefixo + "no item 1 de \"result\", falta a chave \"descricao\".");
    EXPECT_EQ(ErroDe(R"({"success": true, "result": [{"versao": 1, "data": "01/01/2024", "descricao": 3, "empresa": ""}]})"),
              prefixo + "no item 1 de \"result\", \"descricao\" não é um texto.");
    EXPECT_EQ(ErroDe(R"({"success": true, "result": [{"versao": 9999999999, "data": "01/01/2024", "descricao": "", "empresa": ""}]})"),
              prefixo + "no item 1 de \"result\", \"versao\" está fora dos limites.");

    // A date that is not a short date is a conversion error.
    servidor_.Responder(200, R"({"success": true, "result": [{"versao": 1, "data": "31/02/2024", "descricao": "", "empresa": ""}]})");
    EXPECT_THROW(CarregarVersoes("KWX", "F"), plat::EConvertError);
    EXPECT_EQ(ErroDe(R"({"success": true, "result": [{"versao": 1, "data": "2024-01-05", "descricao": "", "empresa": ""}]})"),
              "'2024-01-05' não é uma data válida");

    const std::string url = "http://" + servidor_.Endereco() + "/services/index.php/aplicativolog/listar";
    EXPECT_EQ(ErroDe("falhou", 500), "O serviço de log de atualizações em " + url + " respondeu com o código HTTP 500.");
}

TEST_F(LogAtuAplicTest, ServicoQueNaoRespondeEsgotaOTempo) {
    servidor_.NaoResponder();
    AmbienteAtual().tempoTotalMs = 300;
    const std::string url = "http://" + servidor_.Endereco() + "/services/index.php/aplicativolog/listar";
    try {
        CarregarVersoes("KWX", "F");
        ADD_FAILURE() << "no error";
    } catch (const ELogAtuAplic& e) {
        EXPECT_EQ(std::string(e.what()),
                  "O serviço de log de atualizações em " + url + " não respondeu em 300 milissegundos.");
    }
    EXPECT_EQ(servidor_.Pedidos().size(), 1u);  // the request did arrive
}

// Replies beyond the cap are refused while the buffer stays within it, declared or not; a
// reply within the cap nested deeper than the format is refused before it is parsed.
TEST_F(LogAtuAplicTest, RespostaGrandeDemaisRecusada) {
    const std::string url = "http://" + servidor_.Endereco() + "/services/index.php/aplicativolog/listar";
    const std::string recusa = "A resposta do serviço de log de atualizações em " + url +
                               " excede o tamanho máximo de 4 MB.";
    for (const bool declarada : {false, true}) {
        servidor_.ResponderGrande(40 * 1024 * 1024, '[', declarada);
        Requisicao r(url, "programa=KWX", 5000, 20000);
        try {
            r.Executar();
            ADD_FAILURE() << "accepted";
        } catch (const ELogAtuAplic& e) {
            EXPECT_EQ(std::string(e.what()), recusa);
        }
        EXPECT_LE(r.MaiorBuffer(), TamanhoMaximoResposta) << declarada;
        if (declarada) {
            EXPECT_EQ(r.MaiorBuffer(), 0u);  // refused before any of it was read
        }
    }
    servidor_.ResponderGrande(1024 * 1024, '[', true);
    EXPECT_EQ(ErroDeServidor(), "Resposta inválida do serviço de log de atualizações: listas e objetos aninhados "
                                "em mais de 64 níveis.");
}

TEST_F(LogAtuAplicTest, ServidorFechadoEConfiguracao) {
    // Nothing listens on the port of a server that has stopped.
    int porta;
    {
        ServidorHttpTeste outro;
        porta = outro.Porta();
    }
    EscreverConfiguracao("[LogAtualizacao]\nServidor=127.0.0.1:" + std::to_string(porta) + "\n");
    EXPECT_EQ(ErroDe(kRespostaNormal).rfind("Não foi possível obter o log de atualizações de http://127.0.0.1:" +
                                                std::to_string(porta) + "/services/index.php/aplicativolog/listar: ",
                                            0),
              0u);

    // Without the key nothing is sent and the error names the key and the file.
    EscreverConfiguracao("[Banco]\nBanco=FireBird\n[LogAtualizacao]\nServidor=  \n");
    const std::string e = ErroDe(kRespostaNormal);
    EXPECT_NE(e.find("não configurado"), std::string::npos) << e;
    EXPECT_NE(e.find("[LogAtualizacao]"), std::string::npos) << e;
    EXPECT_NE(e.find("Parametros.ini"), std::string::npos) << e;
    EXPECT_EQ(servidor_.Conexoes(), 0);

    // The host may be written with the scheme; other schemes are refused.
    EscreverConfiguracao("[LogAtualizacao]\nServidor=HTTP://" + servidor_.Endereco() + "/\n");
    servidor_.Responder(200, kRespostaNormal);
    EXPECT_EQ(CarregarVersoes("KWX", "F").size(), 3u);
    EXPECT_EQ(EnderecoServico("srv.exemplo.com.br"), "http://srv.exemplo.com.br/services/index.php/aplicativolog/listar");
    EXPECT_THROW(EnderecoServico("https://srv"), ELogAtuAplic);
    EXPECT_THROW(EnderecoServico("srv:80/x?y=1"), ELogAtuAplic);
}

TEST(LogAtuAplicAmbiente, TemposPadraoLimitados) {
    RestaurarAmbiente();
    const Ambiente& a = AmbienteAtual();
    EXPECT_GT(a.tempoConexaoMs, 0);
    EXPECT_LE(a.tempoConexaoMs, 30000);
    EXPECT_GT(a.tempoTotalMs, 0);
    EXPECT_LE(a.tempoTotalMs, 30000);
    EXPECT_TRUE(Pendente(6729));
    EXPECT_FALSE(Pendente(VersaoAplicativo));
}

}  // namespace
