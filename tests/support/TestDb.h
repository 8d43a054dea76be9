#pragma once
// A fresh embedded database in a temporary folder for one test (or one suite), removed
// afterwards. Scripts from the project's sql/ folder can be run on it.
#include <memory>
#include <string>

#include "db/Connection.h"

class TestDb {
public:
    // Creates <tmp>/pravolt-db-XXXXXX/test.fdb and attaches to it.
    TestDb();
    ~TestDb();
    TestDb(const TestDb&) = delete;
    TestDb& operator=(const TestDb&) = delete;

    db::Connection& Conn() { return *conn_; }
    // Path of the database file (an embedded location).
    const std::string& Path() const { return path_; }
    const std::string& Folder() const { return dir_; }

    // Runs a statement in its own transaction.
    void Exec(const std::string& sql);
    // Runs a script (SET TERM understood); a name without "/" is taken from sql/.
    void RunScript(const std::string& file);
    void RunScriptText(const std::string& script);

    // Closes the connection so another (e.g. a server) may open the file.
    void Detach();

    // The folder holding the project's SQL scripts.
    static std::string SqlDir();
    // A fresh temporary folder (removed by the caller or at the end of the run).
    static std::string MakeTempDir(const std::string& prefix);

private:
    std::string dir_;
    std::string path_;
    std::unique_ptr<db::Connection> conn_;
};
