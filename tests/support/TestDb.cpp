#include "TestDb.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "db/Query.h"
#include "db/ScriptRunner.h"

namespace fs = std::filesystem;

std::string TestDb::SqlDir() { return PRAVOLT_SQL_DIR; }

std::string TestDb::MakeTempDir(const std::string& prefix) {
    std::string base = fs::temp_directory_path().string();
    std::string tmpl = base + "/" + prefix + "-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("cannot create a temporary folder in " + base);
    return buf.data();
}

TestDb::TestDb() : dir_(MakeTempDir("pravolt-db")), path_(dir_ + "/test.fdb"), conn_(std::make_unique<db::Connection>()) {
    conn_->SetDatabase(path_);
    conn_->SetUserName("SYSDBA");
    conn_->CreateDatabase(8192, false);
}

TestDb::~TestDb() {
    try {
        conn_->Close();
        conn_.reset();
    } catch (...) {
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void TestDb::Exec(const std::string& sql) {
    db::Query q(*conn_);
    q.SetParamCheck(false);
    q.SetSQL(sql);
    q.ExecSQL();
}

void TestDb::RunScript(const std::string& file) {
    db::ScriptRunner r(*conn_);
    r.RunFile(file.find('/') == std::string::npos ? SqlDir() + "/" + file : file);
}

void TestDb::RunScriptText(const std::string& script) {
    db::ScriptRunner r(*conn_);
    r.Run(script);
}

void TestDb::Detach() { conn_->Close(); }
