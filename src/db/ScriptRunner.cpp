#include "db/ScriptRunner.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "db/Query.h"

namespace db {

namespace {

struct Statement {
    std::string text;
    int line = 1;
};

std::string Trim(std::string_view s) {
    std::size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return std::string(s.substr(a, b - a));
}

// Leading words of a statement, upper-cased, comments skipped.
std::string Head(std::string_view s, std::size_t words) {
    std::string r;
    std::size_t i = 0, n = s.size(), got = 0;
    while (i < n && got < words) {
        if (std::isspace(static_cast<unsigned char>(s[i]))) {
            ++i;
            continue;
        }
        if (s.substr(i, 2) == "--") {
            std::size_t j = s.find('\n', i);
            i = j == std::string_view::npos ? n : j + 1;
            continue;
        }
        if (s.substr(i, 2) == "/*") {
            std::size_t j = s.find("*/", i + 2);
            i = j == std::string_view::npos ? n : j + 2;
            continue;
        }
        std::size_t j = i;
        while (j < n && !std::isspace(static_cast<unsigned char>(s[j]))) ++j;
        if (!r.empty()) r += ' ';
        r += UpperCase(s.substr(i, j - i));
        ++got;
        i = j;
    }
    return r;
}

// Only comments and blanks?
bool Blank(std::string_view s) { return Head(s, 1).empty(); }

std::vector<Statement> SplitScript(std::string_view sc) {
    std::vector<Statement> out;
    std::string term = ";";
    std::size_t i = 0, n = sc.size(), ini = 0;
    int line = 1, lineIni = 1;
    auto emit = [&](std::size_t fim) {
        std::string_view body = sc.substr(ini, fim - ini);
        std::string h = Head(body, 2);
        if (h == "SET TERM") {
            // "SET TERM <new>": the new terminator is the first token after TERM
            std::string t = Trim(body);
            std::size_t p = UpperCase(t).find("TERM") + 4;
            while (p < t.size() && std::isspace(static_cast<unsigned char>(t[p]))) ++p;
            std::size_t q = p;
            while (q < t.size() && !std::isspace(static_cast<unsigned char>(t[q]))) ++q;
            if (q > p) term = t.substr(p, q - p);
        } else if (!Blank(body)) {
            out.push_back({Trim(body), lineIni});
        }
    };
    bool novo = true;
    while (i < n) {
        if (novo) {
            // skip blanks to find the line where the statement starts
            while (i < n && std::isspace(static_cast<unsigned char>(sc[i]))) {
                if (sc[i] == '\n') ++line;
                ++i;
            }
            ini = i;
            lineIni = line;
            novo = false;
            continue;
        }
        char c = sc[i];
        if (c == '\'' || c == '"') {
            std::size_t j = i + 1;
            while (j < n) {
                if (sc[j] == '\n') ++line;
                if (sc[j] == c) {
                    if (j + 1 < n && sc[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            i = std::min(j + 1, n);
        } else if (c == '-' && i + 1 < n && sc[i + 1] == '-') {
            std::size_t j = sc.find('\n', i);
            i = j == std::string_view::npos ? n : j;
        } else if (c == '/' && i + 1 < n && sc[i + 1] == '*') {
            std::size_t j = sc.find("*/", i + 2);
            j = j == std::string_view::npos ? n : j + 2;
            for (std::size_t k = i; k < j; ++k)
                if (sc[k] == '\n') ++line;
            i = j;
        } else if (sc.compare(i, term.size(), term) == 0) {
            emit(i);
            i += term.size();
            novo = true;
        } else {
            if (c == '\n') ++line;
            ++i;
        }
    }
    if (!novo && ini < n) emit(n);
    return out;
}

// isql commands that are not SQL.
bool ClientCommand(const std::string& st) {
    std::string h = Head(st, 3);
    static const char* const kSet[] = {"SET NAMES",   "SET SQL DIALECT", "SET AUTODDL", "SET ECHO",
                                       "SET BAIL",    "SET LIST",        "SET HEADING", "SET STATS",
                                       "SET COUNT",   "SET WARNINGS",    "SET PLAN",    "SET TIME",
                                       "SET AUTO",    "SET BLOB",        "SET ROWCOUNT"};
    for (const char* k : kSet)
        if (h.rfind(k, 0) == 0) return true;
    std::string w = Head(st, 1);
    return w == "COMMIT" || w == "ROLLBACK" || w == "CONNECT" || w == "INPUT" || w == "OUTPUT" ||
           w == "SHOW" || h.rfind("CREATE DATABASE", 0) == 0;
}

}  // namespace

std::vector<std::string> ScriptRunner::Split(std::string_view script) {
    std::vector<std::string> r;
    for (auto& s : SplitScript(script)) r.push_back(std::move(s.text));
    return r;
}

int ScriptRunner::Run(std::string_view script) {
    int ok = 0;
    for (auto& s : SplitScript(script)) {
        if (ClientCommand(s.text)) continue;
        Query q(*conn_);
        q.SetParamCheck(false);
        q.SetSQL(s.text);
        try {
            q.ExecSQL();
            ++ok;
        } catch (const Error& e) {
            if (!OnError || OnError(e, s.text, s.line) == ScriptAction::Stop) throw;
        }
    }
    return ok;
}

int ScriptRunner::RunFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) throw Error("Cannot read script " + path);
    std::stringstream ss;
    ss << f.rdbuf();
    return Run(ss.str());
}

}  // namespace db
