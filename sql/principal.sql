/* Main database of the suite: the tables of the external-service distribution, the
   parameter and installation tables, and the change audit log.

   Firebird 3, SQL dialect 3. Text columns are WIN1252 (the database's default character
   set): they hold Windows-1252 bytes, which the program converts to and from UTF-8.
   Codes are VARCHAR, never CHAR, so that a code reads back without trailing blanks.

   Applied by pravolt-admin and the tests on an empty database, after which the shared
   data modules' script (modulos.sql) may add tables and columns. */

/* Text columns declared without a character set are WIN1252. */
ALTER DATABASE SET DEFAULT CHARACTER SET WIN1252;

/* ---- workshops ------------------------------------------------------------------ */

CREATE TABLE TERCEIRIZADO (
    COD_BA          INTEGER NOT NULL,
    NOME_BA         VARCHAR(60) NOT NULL,
    PRECO_BA        NUMERIC(15,2),
    GIRO_BA         INTEGER,
    ATIVO_BA        VARCHAR(1) DEFAULT 'S',
    CONSTRAINT PK_TERCEIRIZADO PRIMARY KEY (COD_BA)
);
CREATE INDEX IX_TERCEIRIZADO_NOME ON TERCEIRIZADO (NOME_BA);

/* ---- the suite's general code table (list 35 = external service types) ----------- */

CREATE TABLE TABELA (
    NUM_TA          VARCHAR(2) NOT NULL,
    COD_TA          VARCHAR(8) NOT NULL,
    DESC_TA         VARCHAR(75),
    TAMCOD_TA       SMALLINT,
    SIT_TA          VARCHAR(1),
    TRANS_TA        TIMESTAMP,
    AUX_TA          VARCHAR(10),
    CONSTRAINT PK_TABELA PRIMARY KEY (NUM_TA, COD_TA)
);

/* service types that a workshop performs */
CREATE TABLE EXTERNO_TPSERVICO (
    TERCEIRIZADO_ET INTEGER NOT NULL,
    TP_SERVICO_ET   VARCHAR(8) NOT NULL,
    CONSTRAINT PK_EXTERNO_TPSERVICO PRIMARY KEY (TERCEIRIZADO_ET, TP_SERVICO_ET)
);

/* ---- production sectors ----------------------------------------------------------- */

CREATE TABLE SETOR (
    COD_SE          VARCHAR(2) NOT NULL,
    NOME_SE         VARCHAR(15),
    SETORANT_SE     VARCHAR(17),
    CONSTRAINT PK_SETOR PRIMARY KEY (COD_SE)
);

/* sectors that a workshop serves */
CREATE TABLE EXTERNO_SETOR (
    TERCEIRIZADO_ES INTEGER NOT NULL,
    SETOR_ES        VARCHAR(2) NOT NULL,
    CONSTRAINT PK_EXTERNO_SETOR PRIMARY KEY (TERCEIRIZADO_ES, SETOR_ES)
);

/* ---- service prices per workshop, product and service type ------------------------ */

CREATE TABLE PRECOSER (
    TERCEIRIZADO_PS INTEGER NOT NULL,
    PROD_PS         VARCHAR(8) NOT NULL,
    TP_SERV_PS      VARCHAR(2) NOT NULL,
    VALOR_PS        NUMERIC(15,2),
    CONSTRAINT PK_PRECOSER PRIMARY KEY (TERCEIRIZADO_PS, PROD_PS, TP_SERV_PS)
);
/* the workshops that price a product for a service type */
CREATE INDEX IX_PRECOSER_PROD_TPSERV ON PRECOSER (PROD_PS, TP_SERV_PS);

/* ---- sales orders: items, quantities per size, standardisations, sub-tickets -------- */

CREATE TABLE ITENSPV (
    PEDIDO_IT       VARCHAR(8) NOT NULL,
    ITEM_IT         VARCHAR(2) NOT NULL,
    PROD_IT         VARCHAR(6),
    PADRON_IT       VARCHAR(3),
    PROG_IT         VARCHAR(6),
    FICHA_IT        VARCHAR(4),
    CONSTRAINT PK_ITENSPV PRIMARY KEY (PEDIDO_IT, ITEM_IT)
);
CREATE INDEX IX_ITENSPV_PROG_FICHA ON ITENSPV (PROG_IT, FICHA_IT);

CREATE TABLE ITENSPVGRADE (
    PEDIDO_IT       VARCHAR(8) NOT NULL,
    ITEM_IT         VARCHAR(2) NOT NULL,
    TAM_IT          VARCHAR(4) NOT NULL,
    QTPED_IT        NUMERIC(15,2),
    CONSTRAINT PK_ITENSPVGRADE PRIMARY KEY (PEDIDO_IT, ITEM_IT, TAM_IT)
);

CREATE TABLE PADRONIZ_PRODUTO (
    PADRONIZ_PP     VARCHAR(5) NOT NULL,
    PROD_PP         VARCHAR(8) NOT NULL,
    DESC_PP         VARCHAR(60),
    CONSTRAINT PK_PADRONIZ_PRODUTO PRIMARY KEY (PADRONIZ_PP, PROD_PP)
);

/* Sub-tickets. ID_PR is the number printed on the sub-ticket's bar code; it is numeric,
   so that a scanned code with leading zeros finds it. */
CREATE TABLE SUBPROD (
    ID_PR           BIGINT NOT NULL,
    PROG_PR         VARCHAR(6),
    FICHA_PR        VARCHAR(4),
    SUBFICHA_PR     VARCHAR(4),
    QTDE_PR         INTEGER,
    CONSTRAINT PK_SUBPROD PRIMARY KEY (ID_PR)
);
CREATE INDEX IX_SUBPROD_TICKET ON SUBPROD (PROG_PR, FICHA_PR, SUBFICHA_PR);

/* ---- dispatches to workshops and their returns ----------------------------------- */

/* One row per ticket sent to a workshop for a service type. The key carries the workshop
   too: at some installations one dispatch also writes rows of service type "I" for every
   other workshop that prices the product for it, and those rows share programme, ticket,
   sub-ticket and service type. The program itself refuses a second dispatch of a ticket
   for one service type. */
CREATE TABLE EXTERNO (
    TERCEIRIZADO_EX     INTEGER NOT NULL,
    TP_SERV_EX          VARCHAR(2) NOT NULL,
    PROG_EX             VARCHAR(6) NOT NULL,
    FICHA_EX            VARCHAR(4) NOT NULL,
    SUBFICHA_EX         VARCHAR(4) NOT NULL,
    SAIDA_EX            TIMESTAMP,
    RETORNO_EX          TIMESTAMP,
    VALOR_EX            NUMERIC(15,4),
    QTDE_EX             INTEGER,
    OBS_EX              BLOB SUB_TYPE TEXT,
    SETOR_SAI_EX        VARCHAR(2),
    SETOR_ENT_EX        VARCHAR(2),
    PAGTO_EX            VARCHAR(1),
    EMITIDA_EX          VARCHAR(1),
    DT_PROTOCOLO_EX     TIMESTAMP,
    NUM_PROTOCOLO_EX    INTEGER,
    USUARIO_EX          VARCHAR(20),
    PREVISAO_RETORNO_EX TIMESTAMP,
    ID_TITULO_EX        INTEGER,
    CONSTRAINT PK_EXTERNO PRIMARY KEY (PROG_EX, FICHA_EX, SUBFICHA_EX, TP_SERV_EX, TERCEIRIZADO_EX)
);
CREATE INDEX IX_EXTERNO_SAIDA ON EXTERNO (SAIDA_EX);
CREATE INDEX IX_EXTERNO_RETORNO ON EXTERNO (RETORNO_EX);
CREATE INDEX IX_EXTERNO_TERCEIRIZADO ON EXTERNO (TERCEIRIZADO_EX, TP_SERV_EX);
/* A ticket is dispatched at most once per service type, also when two workstations save
   it at the same moment (to different workshops). The extra rows of service type "I"
   share their ticket and type, so they stay outside the rule (NULL keys do not clash). */
CREATE UNIQUE INDEX UX_EXTERNO_TICKET_TIPO ON EXTERNO COMPUTED BY
    (IIF(TP_SERV_EX = 'I', NULL, PROG_EX || '|' || FICHA_EX || '|' || SUBFICHA_EX || '|' || TP_SERV_EX));

/* ---- a ticket's progress through the production sectors -------------------------- */

CREATE TABLE PRODUCAO_SETOR (
    PROG_PS         VARCHAR(6) NOT NULL,
    FICHA_PS        VARCHAR(4) NOT NULL,
    SUBFICHA_PS     VARCHAR(4) NOT NULL,
    SETOR_PS        VARCHAR(2) NOT NULL,
    ID_PS           INTEGER,
    DTENTRADA_PS    TIMESTAMP,
    HORAENTRADA_PS  VARCHAR(5),
    DTSAIDA_PS      TIMESTAMP,
    HORASAIDA_PS    VARCHAR(5),
    QTDE_PS         INTEGER,
    CONSTRAINT PK_PRODUCAO_SETOR PRIMARY KEY (PROG_PS, FICHA_PS, SUBFICHA_PS, SETOR_PS)
);
CREATE UNIQUE INDEX IX_PRODUCAO_SETOR_ID ON PRODUCAO_SETOR (ID_PS);

CREATE GENERATOR GEN_PRODUCAO_SETOR_ID;

/* ---- named parameter switches and the installation's settings --------------------- */

CREATE TABLE PARAM (
    GRUPO_PA        VARCHAR(40) NOT NULL,
    PARAM_PA        VARCHAR(40) NOT NULL,
    VALOR_PA        VARCHAR(100),
    DESCRICAO_PA    VARCHAR(200),
    CONSTRAINT PK_PARAM PRIMARY KEY (GRUPO_PA, PARAM_PA)
);

/* one row; NOME_EMPRESA names the installation */
CREATE TABLE CONFIG (
    NOME_EMPRESA    VARCHAR(60)
);

/* ---- change audit log, filled by procedure GRAVALOG ----------------------------- */

CREATE TABLE LOG_ALTERACOES (
    ID_LA           BIGINT NOT NULL,
    CHAVE_LA        VARCHAR(30),
    ARQ_LA          VARCHAR(63),
    CAMPO_LA        VARCHAR(63),
    USUARIO_LA      VARCHAR(31),
    DATA_LA         TIMESTAMP,
    VRANT_LA        VARCHAR(100),
    VRATU_LA        VARCHAR(100),
    CONSTRAINT PK_LOG_ALTERACOES PRIMARY KEY (ID_LA)
);
CREATE INDEX IX_LOG_ALTERACOES_ARQ ON LOG_ALTERACOES (ARQ_LA, CHAVE_LA);
CREATE INDEX IX_LOG_ALTERACOES_DATA ON LOG_ALTERACOES (DATA_LA);

CREATE GENERATOR GEN_LOG_ALTERACOES_ID;

SET TERM ^ ;

/* ID_PS is numbered by the database when the program writes 0 (or nothing). */
CREATE TRIGGER PRODUCAO_SETOR_BI0 FOR PRODUCAO_SETOR
ACTIVE BEFORE INSERT POSITION 0
AS
BEGIN
  IF (NEW.ID_PS IS NULL OR NEW.ID_PS = 0) THEN
    NEW.ID_PS = GEN_ID(GEN_PRODUCAO_SETOR_ID, 1);
END
^

CREATE TRIGGER LOG_ALTERACOES_BI0 FOR LOG_ALTERACOES
ACTIVE BEFORE INSERT POSITION 0
AS
BEGIN
  IF (NEW.ID_LA IS NULL OR NEW.ID_LA = 0) THEN
    NEW.ID_LA = GEN_ID(GEN_LOG_ALTERACOES_ID, 1);
END
^

/* One audit row: key text, table, field (or INSERIDO / EXCLUIDO), user, server time,
   old and new value. */
CREATE PROCEDURE GRAVALOG (
    CHAVE   VARCHAR(30),
    ARQ     VARCHAR(63),
    CAMPO   VARCHAR(63),
    USUARIO VARCHAR(31),
    DATA    TIMESTAMP,
    VRANT   VARCHAR(100),
    VRATU   VARCHAR(100))
AS
BEGIN
  INSERT INTO LOG_ALTERACOES (ID_LA, CHAVE_LA, ARQ_LA, CAMPO_LA, USUARIO_LA, DATA_LA,
                              VRANT_LA, VRATU_LA)
  VALUES (0, :CHAVE, :ARQ, :CAMPO, :USUARIO, :DATA, :VRANT, :VRATU);
END
^

SET TERM ; ^
