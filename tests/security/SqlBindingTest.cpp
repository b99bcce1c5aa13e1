// Every SQL statement is one fixed text with bound parameters. The detector is shown to find the
// ways a statement gets built from values, then run over the program's own sources.
#include "SqlScan.h"

#include <gtest/gtest.h>

namespace {

const std::vector<std::string> kAllowed = {"ContactColumn"};

// Stands for the real column whitelist: fixed names only.
const std::string kColumnWhitelist = R"(
const char* ContactColumn(std::int64_t code)
{
    switch (code) {
    case 1: return "[Contact]";
    default: return "[ID]";
    }
}
)";

struct Snippet
{
    const char* name;
    std::string code;
};

TEST(SqlBinding, DetectorFindsStatementsBuiltFromValues)
{
    const Snippet bad[] = {
        {"quoted value joined",
         R"(Statement s(db_, ("SELECT [ID] FROM [Contacts] WHERE [Number] = '" + number + "';").c_str());)"},
        {"value before the text", R"(const std::string q = where + " AND [Group] = 'x';";)"},
        {"arg placeholder",
         R"(const QString sql = QStringLiteral("DELETE FROM [Messages] WHERE [ID] = %1;").arg(id);)"},
        {"asprintf", R"(Execute(QString::asprintf("DELETE FROM [Contacts] WHERE [ID] = %lld;", id).toUtf8());)"},
        {"std::format", R"(Execute(std::format("DROP TABLE [{}];", table).c_str());)"},
        {"sqlite3_mprintf", R"(char* q = sqlite3_mprintf("UPDATE [Messages] SET [Status] = %d;", status);)"},
        {"string builder", R"(q = QString("SELECT [ID] FROM [Contacts] WHERE [Contact] LIKE '") % pattern % "'";)"},
        {"grown afterwards", "std::string sql = \"UPDATE [Messages] SET [Status] = \";\nsql += std::to_string(s);"},
        {"appended afterwards", "QString sql = QStringLiteral(\"SELECT [ID] FROM [Templates] WHERE \");\n"
                                "sql.append(filter);"},
        {"streamed", R"(stream << "INSERT INTO [Templates] VALUES ('" << text << "');";)"},
        {"value after an allowed column", kColumnWhitelist + R"(
            const std::string q = std::string("SELECT [ID] FROM [Contacts] ORDER BY ") + ContactColumn(c) + order;)"},
        {"allowed function returning a value", R"(
            const char* ContactColumn(int c) { return names[c]; }
            const std::string q = std::string("SELECT [ID] FROM [Contacts] ORDER BY ") + ContactColumn(c) + ";";)"},
    };
    for (const Snippet& s : bad) {
        const sqlscan::Result r = sqlscan::ScanText(s.name, s.code, kAllowed);
        EXPECT_FALSE(r.findings.empty()) << s.name;
    }
}

TEST(SqlBinding, DetectorAcceptsFixedTexts)
{
    const Snippet good[] = {
        {"bound parameter", R"(Statement s(db_, "SELECT [ID] FROM [Contacts] WHERE [Number] = ?;");)"},
        {"adjacent literals", "Statement s(db_, \"SELECT [ID] \"\n \"FROM [Contacts] WHERE [ID] = ?;\");"},
        {"macro and literal", "#define SEL \"SELECT [ID], [Contact] \" \\\n \"FROM [Contacts]\"\n"
                              "Statement s(db_, SEL \" WHERE [ID] = ?;\");"},
        {"percent inside the text", R"(Execute("SELECT strftime('%d.%m.%Y', [TimeStamp]) FROM [Messages];");)"},
        {"allowed column", kColumnWhitelist + R"(
            const std::string sql = std::string("SELECT [ID] FROM [Contacts] ORDER BY ") + ContactColumn(c) + ";";)"},
        {"log text", R"(host.WriteLog(QStringLiteral("Contacts -> Delete -> ") + name + QStringLiteral(" Set"));)"},
        {"commented out", "// Execute(\"DELETE FROM [Contacts] WHERE [ID] = \" + id);\n"},
    };
    for (const Snippet& s : good) {
        const sqlscan::Result r = sqlscan::ScanText(s.name, s.code, kAllowed);
        EXPECT_TRUE(r.findings.empty()) << s.name << ": " << (r.findings.empty() ? "" : r.findings[0].reason);
    }
}

TEST(SqlBinding, SourcesBindEveryValue)
{
    const std::string top = PARLOWEN_SOURCE_DIR;
    const sqlscan::Result r = sqlscan::ScanTree({top + "/storage", top + "/controller", top + "/app"}, kAllowed);
    for (const sqlscan::Finding& f : r.findings)
        ADD_FAILURE() << f.file << ":" << f.line << ": " << f.reason;
    // The schema, the selects and the updates: a scan that found no SQL looked in the wrong place.
    EXPECT_GE(r.sqlLiterals, 20);
}

} // namespace
