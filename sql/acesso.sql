/* Access database of the suite: users, menu groups and options, per-user menus, branches
   per user, the stored location of the main database and the installation's settings.
   Table LOGIN is not created here: the program creates it (with its generator, key and
   trigger) the first time it records a login.

   Firebird 3, SQL dialect 3. Text columns are WIN1252 (the database's default character
   set), except the two that hold byte strings of any value (the formatted password and
   the scrambled location), which are CHARACTER SET NONE. */

/* Text columns declared without a character set are WIN1252. */
ALTER DATABASE SET DEFAULT CHARACTER SET WIN1252;

/* Users. SENHA_US holds the 30-byte formatted password. */
CREATE TABLE USUARIOS (
    NOME_US         VARCHAR(10) NOT NULL,
    SENHA_US        VARCHAR(30) CHARACTER SET NONE,
    NOME_COMPLETO_US VARCHAR(60),
    CONSTRAINT PK_USUARIOS PRIMARY KEY (NOME_US)
);

/* Menu groups and the options of each group. */
CREATE TABLE GRUPOS (
    CODIGO_GR       INTEGER NOT NULL,
    DESCRICAO_GR    VARCHAR(60),
    CONSTRAINT PK_GRUPOS PRIMARY KEY (CODIGO_GR)
);

CREATE TABLE OPCOES (
    GRUPO_OP        INTEGER NOT NULL,
    OPCAO_OP        VARCHAR(60) NOT NULL,
    DESCRICAO_OP    VARCHAR(60),
    CONSTRAINT PK_OPCOES PRIMARY KEY (GRUPO_OP, OPCAO_OP)
);

/* A user's own menu groups, numbered per user from 1. */
CREATE TABLE GRUPOS_MENU_USUARIO (
    USUARIO_GM      VARCHAR(10) NOT NULL,
    CODGRUPO_GM     INTEGER NOT NULL,
    DESC_GM         VARCHAR(60),
    CONSTRAINT PK_GRUPOS_MENU_USUARIO PRIMARY KEY (USUARIO_GM, CODGRUPO_GM)
);

/* Options placed in a user's menu groups. No foreign key: removing a group leaves its
   options in place, and an option may name group 0 when the group is missing. */
CREATE TABLE OPCOES_MENU_USUARIO (
    USUARIO_OP      VARCHAR(10) NOT NULL,
    GRUPO_MENU_OP   INTEGER NOT NULL,
    OPCAO_OP        VARCHAR(60) NOT NULL,
    CONSTRAINT PK_OPCOES_MENU_USUARIO PRIMARY KEY (USUARIO_OP, GRUPO_MENU_OP, OPCAO_OP)
);

/* Branches allowed per user. No key: the user column may be empty or NULL. */
CREATE TABLE FILIAL_USUARIOS (
    USUARIO_FU      VARCHAR(10),
    FILIAL_FU       VARCHAR(10)
);
CREATE INDEX IX_FILIAL_USUARIOS ON FILIAL_USUARIOS (USUARIO_FU);

/* The scrambled location of the main database, first row. */
CREATE TABLE BD_PRINCIPAL (
    SENHA           VARCHAR(255) CHARACTER SET NONE
);

/* Installation settings, one row. */
CREATE TABLE CONFIG (
    NOME_EMPRESA    VARCHAR(60)
);

/* The suite's menu definition. */
CREATE TABLE MENU (
    GRUPO_ME        INTEGER NOT NULL,
    OPCAO_ME        VARCHAR(60) NOT NULL,
    CAPTION_ME      VARCHAR(60),
    ORDEM_ME        INTEGER,
    CONSTRAINT PK_MENU PRIMARY KEY (GRUPO_ME, OPCAO_ME)
);

SET TERM ^ ;

/* Names the user of the session for triggers that record who changed what. */
CREATE PROCEDURE SET_CONTEXTO (USUARIO VARCHAR(31))
AS
DECLARE VARIABLE R INTEGER;
BEGIN
  R = RDB$SET_CONTEXT('USER_SESSION', 'USUARIO', :USUARIO);
END
^

SET TERM ; ^
