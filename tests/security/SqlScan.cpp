#include "SqlScan.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>

namespace sqlscan {

namespace {

struct Token
{
    enum Kind { Identifier, String, Punct, Other } kind;
    std::string text; // a string's contents without quotes
    int line;
};

std::vector<Token> Tokenize(const std::string& s)
{
    std::vector<Token> tokens;
    int line = 1;
    size_t i = 0;
    const size_t n = s.size();
    auto count = [&](size_t from, size_t to) {
        line += static_cast<int>(std::count(s.begin() + from, s.begin() + to, '\n'));
    };
    while (i < n) {
        const char c = s[i];
        if (c == '\n') {
            ++line;
            ++i;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (s.compare(i, 2, "//") == 0) {
            i = std::min(n, s.find('\n', i));
        } else if (s.compare(i, 2, "/*") == 0) {
            const size_t end = std::min(n, s.find("*/", i + 2) == std::string::npos ? n : s.find("*/", i + 2) + 2);
            count(i, end);
            i = end;
        } else if (c == 'R' && i + 1 < n && s[i + 1] == '"') {
            // R"delim( ... )delim"
            const size_t open = s.find('(', i + 2);
            const std::string delim = ")" + s.substr(i + 2, open - i - 2) + "\"";
            const size_t end = s.find(delim, open);
            const size_t stop = end == std::string::npos ? n : end + delim.size();
            tokens.push_back({Token::String, s.substr(open + 1, std::min(end, n) - open - 1), line});
            count(i, stop);
            i = stop;
        } else if (c == '"' || c == '\'') {
            size_t j = i + 1;
            std::string text;
            while (j < n && s[j] != c) {
                if (s[j] == '\\' && j + 1 < n)
                    text += s[j++];
                text += s[j++];
            }
            tokens.push_back({c == '"' ? Token::String : Token::Other, text, line});
            count(i, std::min(j + 1, n));
            i = std::min(j + 1, n);
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            size_t j = i;
            while (j < n && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_'))
                ++j;
            // A string prefix (u8"", L"", u"") belongs to the string that follows.
            if (j < n && s[j] == '"' &&
                (s.compare(i, j - i, "u8") == 0 || s.compare(i, j - i, "u") == 0 || s.compare(i, j - i, "U") == 0 ||
                 s.compare(i, j - i, "L") == 0)) {
                i = j;
                continue;
            }
            tokens.push_back({Token::Identifier, s.substr(i, j - i), line});
            i = j;
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            size_t j = i;
            while (j < n && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '.' || s[j] == '\''))
                ++j;
            tokens.push_back({Token::Other, s.substr(i, j - i), line});
            i = j;
        } else {
            static const char* const pairs[] = {"+=", "<<", "::", "->", "%=", "==", "!=", "&&", "||"};
            std::string p(1, c);
            for (const char* two : pairs)
                if (s.compare(i, 2, two) == 0)
                    p = two;
            tokens.push_back({Token::Punct, p, line});
            i += p.size();
        }
    }
    return tokens;
}

bool LooksLikeSql(const std::string& text)
{
    static const std::regex sql(
        R"(^\s*(SELECT|INSERT|UPDATE|DELETE|CREATE|DROP|ALTER|PRAGMA|VACUUM|REPLACE|BEGIN|COMMIT|ROLLBACK|WHERE|AND|OR|VALUES|SET|FROM|ORDER\s+BY|LIMIT)\b)",
        std::regex::optimize);
    return std::regex_search(text, sql);
}

// Wrappers that turn a literal into a string object without changing it.
bool IsWrapper(const std::string& name)
{
    static const std::set<std::string> names = {
        "QStringLiteral", "QLatin1String", "QLatin1StringView", "QString",   "QByteArray", "QByteArrayLiteral",
        "string",         "std",           "fromUtf8",          "fromLatin1"};
    return names.count(name) != 0;
}

bool IsJoin(const std::string& p)
{
    return p == "+" || p == "+=" || p == "<<" || p == "%" || p == "%=";
}

bool IsFormatter(const std::string& name)
{
    static const std::set<std::string> names = {"asprintf",         "sprintf", "snprintf",        "vasprintf",
                                                "format",           "vformat", "sqlite3_mprintf", "sqlite3_snprintf",
                                                "sqlite3_vmprintf", "arg"};
    return names.count(name) != 0;
}

// The tokens next to the literal, past the wrapper calls, parentheses and "::" around it.
struct Neighbours
{
    size_t before = SIZE_MAX;
    size_t after = SIZE_MAX;
};

Neighbours Around(const std::vector<Token>& t, size_t at)
{
    Neighbours n;
    size_t i = at;
    while (i > 0 && (t[i - 1].kind == Token::String || t[i - 1].text == "(" || t[i - 1].text == "::" ||
                     (t[i - 1].kind == Token::Identifier && IsWrapper(t[i - 1].text))))
        --i;
    if (i > 0)
        n.before = i - 1;
    size_t j = at + 1;
    while (j < t.size() && (t[j].kind == Token::String || t[j].text == ")"))
        ++j;
    if (j < t.size())
        n.after = j;
    return n;
}

bool Allowed(const std::vector<std::string>& allowed, const std::string& name)
{
    return std::find(allowed.begin(), allowed.end(), name) != allowed.end();
}

// From a joining operator on, every operand of the chain must be a literal or a call of an allowed
// function; true when one is anything else.
bool JoinsOther(const std::vector<Token>& t, size_t op, const std::vector<std::string>& allowed)
{
    while (op < t.size() && t[op].kind == Token::Punct && IsJoin(t[op].text)) {
        size_t k = op + 1;
        while (k < t.size() &&
               (t[k].text == "(" || t[k].text == "::" || (t[k].kind == Token::Identifier && IsWrapper(t[k].text))))
            ++k;
        if (k < t.size() && t[k].kind == Token::String) {
            while (k < t.size() && t[k].kind == Token::String)
                ++k;
        } else if (k + 1 < t.size() && t[k].kind == Token::Identifier && Allowed(allowed, t[k].text) &&
                   t[k + 1].text == "(") {
            int depth = 0;
            for (++k; k < t.size(); ++k) {
                if (t[k].text == "(")
                    ++depth;
                else if (t[k].text == ")" && --depth == 0)
                    break;
            }
            ++k;
        } else {
            return true;
        }
        while (k < t.size() && t[k].text == ")")
            ++k;
        op = k;
    }
    return false;
}

// The name of the call whose argument list holds the token, if any.
std::string EnclosingCall(const std::vector<Token>& t, size_t at)
{
    int depth = 0;
    for (size_t i = at; i-- > 0;) {
        const Token& p = t[i];
        if (p.kind != Token::Punct)
            continue;
        if (p.text == ")")
            ++depth;
        else if (p.text == "(" && depth-- == 0)
            return i > 0 && t[i - 1].kind == Token::Identifier ? t[i - 1].text : std::string();
        else if (depth == 0 && (p.text == ";" || p.text == "{" || p.text == "}"))
            break;
    }
    return {};
}

// Allowed functions must return only literals: every "return" in their definitions' bodies is
// followed by one string literal and ";".
void CheckAllowed(const std::string& file, const std::vector<Token>& t, const std::vector<std::string>& allowed,
                  Result& result)
{
    for (size_t i = 0; i + 1 < t.size(); ++i) {
        if (t[i].kind != Token::Identifier || std::find(allowed.begin(), allowed.end(), t[i].text) == allowed.end() ||
            t[i + 1].text != "(")
            continue;
        size_t j = i + 1;
        int depth = 0;
        for (; j < t.size(); ++j) {
            if (t[j].text == "(")
                ++depth;
            else if (t[j].text == ")" && --depth == 0)
                break;
        }
        // A definition: the parameter list is followed by an optional "const" and a body.
        size_t k = j + 1;
        while (k < t.size() && t[k].kind == Token::Identifier && (t[k].text == "const" || t[k].text == "noexcept"))
            ++k;
        if (k >= t.size() || t[k].text != "{")
            continue;
        depth = 0;
        for (size_t b = k; b < t.size(); ++b) {
            if (t[b].text == "{")
                ++depth;
            else if (t[b].text == "}" && --depth == 0)
                break;
            else if (t[b].kind == Token::Identifier && t[b].text == "return" &&
                     !(b + 2 < t.size() && t[b + 1].kind == Token::String && t[b + 2].text == ";"))
                result.findings.push_back(
                    {file, t[b].line, t[i].text + " is joined to SQL but returns something other than a literal"});
        }
    }
}

} // namespace

Result ScanText(const std::string& file, const std::string& text, const std::vector<std::string>& allowed)
{
    Result result;
    const std::vector<Token> t = Tokenize(text);
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind != Token::String || !LooksLikeSql(t[i].text))
            continue;
        // Only the first of adjacent literals starts a text.
        if (i > 0 && t[i - 1].kind == Token::String)
            continue;
        ++result.sqlLiterals;
        const Neighbours n = Around(t, i);
        auto flag = [&](const std::string& why) { result.findings.push_back({file, t[i].line, why}); };
        const std::string call = EnclosingCall(t, i);
        if (IsFormatter(call)) {
            flag("SQL text formatted by " + call + "()");
        } else if (n.after + 1 < t.size() && t[n.after].text == "." && IsFormatter(t[n.after + 1].text)) {
            flag("SQL text completed by ." + t[n.after + 1].text + "()");
        } else if (n.before < t.size() && t[n.before].kind == Token::Punct && IsJoin(t[n.before].text)) {
            flag("SQL text joined to what comes before it");
        } else if (n.after < t.size() && JoinsOther(t, n.after, allowed)) {
            flag("SQL text joined to a value");
        }
    }
    // A variable that starts as SQL text and is then added to or formatted.
    std::set<std::string> sqlVariables;
    for (size_t i = 2; i < t.size(); ++i) {
        if (t[i].kind != Token::String || !LooksLikeSql(t[i].text))
            continue;
        size_t k = i;
        while (k > 0 && (t[k - 1].text == "(" || t[k - 1].text == "{" || t[k - 1].text == "::" ||
                         (t[k - 1].kind == Token::Identifier && IsWrapper(t[k - 1].text))))
            --k;
        if (k >= 2 && t[k - 1].text == "=" && t[k - 2].kind == Token::Identifier)
            sqlVariables.insert(t[k - 2].text);
    }
    for (size_t i = 0; i + 2 < t.size(); ++i) {
        if (t[i].kind != Token::Identifier || !sqlVariables.count(t[i].text))
            continue;
        const std::string& next = t[i + 1].text;
        const bool grows = next == "+=" || next == "%=" || next == "<<" ||
                           (next == "." && (t[i + 2].text == "append" || t[i + 2].text == "arg" ||
                                            t[i + 2].text == "replace" || t[i + 2].text == "prepend"));
        if (grows)
            result.findings.push_back({file, t[i].line, "SQL text in " + t[i].text + " changed at run time"});
    }
    CheckAllowed(file, t, allowed, result);
    return result;
}

Result ScanTree(const std::vector<std::string>& folders, const std::vector<std::string>& allowed)
{
    namespace fs = std::filesystem;
    Result all;
    for (const std::string& folder : folders) {
        if (!fs::is_directory(folder))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            const std::string ext = entry.path().extension().string();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h"))
                continue;
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            Result r = ScanText(entry.path().string(), text, allowed);
            all.sqlLiterals += r.sqlLiterals;
            all.findings.insert(all.findings.end(), r.findings.begin(), r.findings.end());
        }
    }
    return all;
}

} // namespace sqlscan
