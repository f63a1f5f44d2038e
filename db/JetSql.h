#pragma once

// The program's SQL texts, written in the Jet engine's dialect, parsed into a small statement tree and
// turned into SQLite statements of our own. Only the forms below are understood; every value becomes a
// bound parameter and every name is checked against the table before it is quoted into the text, so
// nothing inside a literal can change what a statement does.
//
//   SELECT * | col {, col} FROM table [WHERE cond]
//   INSERT INTO table(col {, col}) VALUES(literal {, literal})
//   UPDATE table SET col = literal {, col = literal} [WHERE cond]
//   DELETE [*] FROM table [WHERE cond]
//   cond       := term {OR term}        term := factor {AND factor}
//   factor     := NOT factor | ( cond ) | col op literal | col IS [NOT] NULL
//   op         := = | <> | < | > | <= | >=
//   literal    := 'text' ('' inside stands for ') | [+|-]digits | NULL
// Keywords ignore case, names may be written [bracketed], one trailing ';' is allowed.

#include "db/Connection.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <variant>
#include <vector>

namespace dao::jet {

struct Literal {
    enum class Kind { Null, Integer, Text };
    Kind kind = Kind::Null;
    qint64 integer = 0;
    QString text;
};

enum class CompareOp { Equal, NotEqual, Less, Greater, LessOrEqual, GreaterOrEqual, IsNull, IsNotNull };

struct Condition {
    enum class Kind { Compare, And, Or, Not };
    Kind kind = Kind::Compare;
    // Compare
    QString column;
    CompareOp op = CompareOp::Equal;
    Literal value;
    // And, Or (both), Not (left only)
    std::unique_ptr<Condition> left;
    std::unique_ptr<Condition> right;
};

struct Statement {
    enum class Kind { Select, Insert, Update, Delete };
    Kind kind = Kind::Select;
    QString table;
    bool allColumns = false;      // SELECT *
    std::vector<QString> columns; // SELECT list, INSERT list, UPDATE targets
    std::vector<Literal> values;  // INSERT values, UPDATE new values (same order as columns)
    std::unique_ptr<Condition> where;
};

// Parses one statement; raises a DaoError with the Jet syntax error number of the clause at fault.
Statement parse(const QString& sql);

using Binding = std::variant<std::monostate, qint64, QByteArray>; // NULL, whole number, UTF-8 text

// One output field of a compiled SELECT.
struct OutputField {
    int tableColumn = 0;  // position in the table
    int resultColumn = 0; // position in the scan's result row; -1 for a long text read on demand
};

struct Compiled {
    QByteArray sql;
    std::vector<Binding> bindings;
    std::vector<OutputField> fields; // SELECT only; result column 0 is always the rowid
    int storedColumns = 0;           // SELECT only: result columns after the rowid
};

// Builds the SQLite statement for a parsed statement against the table it names. Raises 3061 (or 3127 in
// an INSERT) for a column the table does not have and 3464 for a literal of the wrong kind. A SELECT leaves
// long texts out of its scan (read on demand) unless longTextsInScan.
Compiled compile(const Statement& statement, const TableInfo& table, bool longTextsInScan = false);

// Binds the values of a compiled statement to its placeholders, in order.
void bindAll(sqlite3_stmt* statement, const std::vector<Binding>& bindings, const Connection& connection);

// The statement reading one long-text column of one record by rowid.
QByteArray longTextQuery(const TableInfo& table, int column);

} // namespace dao::jet
