#pragma once
// Runs a multi-statement SQL script on a connection. Statements end with the current
// terminator (";" at first); "SET TERM <new> <old>" changes it, so procedure and
// trigger bodies can hold semicolons. COMMIT and ROLLBACK lines are honoured; other
// statements run each in its own transaction unless the script opened one with a
// statement (every statement commits on its own by default).
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"

namespace db {

enum class ScriptAction { Stop, Skip };

class ScriptRunner {
public:
    explicit ScriptRunner(Connection& c) : conn_(&c) {}

    // Called when a statement fails: Skip goes on with the next statement, Stop (the
    // default without a callback) ends the run raising the error.
    std::function<ScriptAction(const Error&, const std::string& statement, int line)> OnError;

    // Splits a script into statements (terminators and SET TERM resolved, comments kept
    // inside statements, blank statements dropped).
    static std::vector<std::string> Split(std::string_view script);

    // Runs the script; returns the number of statements executed successfully.
    int Run(std::string_view script);
    int RunFile(const std::string& path);

private:
    Connection* conn_;
};

}  // namespace db
