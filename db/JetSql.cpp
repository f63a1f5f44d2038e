#include "db/JetSql.h"

#include <sqlite3.h>

namespace dao::jet {

namespace {

// More comparisons than any screen of the program builds; beyond it the statement is refused rather than
// risking deep recursion or the engine's own expression limits.
constexpr int kMaxComparisons = 200;
constexpr int kMaxNesting = 64;
// Spellings of one text an equality may list for an index to look up; beyond it the table is scanned.
constexpr std::size_t kMaxCaseVariants = 32;
// Well below the engine's limit on parameters in one statement (999).
constexpr std::size_t kMaxBindings = 900;

enum class TokenKind { End, Word, Name, Text, Number, Symbol, Invalid };

struct Token {
    TokenKind kind = TokenKind::End;
    QString text; // word, name, decoded text, digits, symbol; for Invalid the reason
    qsizetype position = 0;
};

bool isAsciiLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}
bool isAsciiDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
bool isWordStart(QChar c) {
    return isAsciiLetter(c) || c == QLatin1Char('_');
}
bool isWordChar(QChar c) {
    return isWordStart(c) || isAsciiDigit(c);
}

// Splits the text into tokens. Stops at the first character that cannot start a token and records why as an
// Invalid token; the parser reports it with the number of the clause it was reading.
std::vector<Token> tokenize(const QString& sql) {
    std::vector<Token> tokens;
    const qsizetype n = sql.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && sql[i].isSpace())
            ++i;
        if (i >= n) {
            tokens.push_back({TokenKind::End, QString(), n});
            return tokens;
        }
        const qsizetype start = i;
        const QChar c = sql[i];
        if (isWordStart(c)) {
            while (i < n && isWordChar(sql[i]))
                ++i;
            tokens.push_back({TokenKind::Word, sql.mid(start, i - start), start});
        } else if (isAsciiDigit(c)) {
            while (i < n && isAsciiDigit(sql[i]))
                ++i;
            tokens.push_back({TokenKind::Number, sql.mid(start, i - start), start});
        } else if (c == QLatin1Char('\'')) {
            QString text;
            ++i;
            bool closed = false;
            // Copy the runs between quotes whole: an entry's body can be megabytes long.
            while (i < n) {
                const qsizetype quote = sql.indexOf(QLatin1Char('\''), i);
                if (quote < 0) {
                    i = n;
                    break;
                }
                text += QStringView(sql).sliced(i, quote - i);
                if (quote + 1 < n && sql[quote + 1] == QLatin1Char('\'')) {
                    text += QLatin1Char('\'');
                    i = quote + 2;
                    continue;
                }
                i = quote + 1;
                closed = true;
                break;
            }
            if (!closed) {
                tokens.push_back({TokenKind::Invalid, QStringLiteral("文本缺少结束的单引号"), start});
                return tokens;
            }
            tokens.push_back({TokenKind::Text, text, start});
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = sql.indexOf(QLatin1Char(']'), i + 1);
            const QString name = close < 0 ? QString() : sql.mid(i + 1, close - i - 1);
            if (close < 0 || name.trimmed().isEmpty() || name.contains(QLatin1Char('['))) {
                tokens.push_back({TokenKind::Invalid, QStringLiteral("方括号中的名称不完整"), start});
                return tokens;
            }
            i = close + 1;
            tokens.push_back({TokenKind::Name, name, start});
        } else if (c == QLatin1Char('<') || c == QLatin1Char('>')) {
            ++i;
            QString symbol(c);
            if (i < n && (sql[i] == QLatin1Char('=') || (c == QLatin1Char('<') && sql[i] == QLatin1Char('>'))))
                symbol += sql[i++];
            tokens.push_back({TokenKind::Symbol, symbol, start});
        } else if (QStringLiteral("=,()*;+-").contains(c)) {
            ++i;
            tokens.push_back({TokenKind::Symbol, QString(c), start});
        } else {
            tokens.push_back({TokenKind::Invalid, QStringLiteral("无法识别的字符“%1”").arg(c), start});
            return tokens;
        }
    }
}

// Words that never name a table or a field unless written in brackets.
bool isReservedWord(const QString& word) {
    static const char* const reserved[] = {"SELECT", "FROM",   "WHERE", "INSERT", "INTO", "VALUES", "UPDATE",
                                           "SET",    "DELETE", "AND",   "OR",     "NOT",  "IS",     "NULL"};
    for (const char* keyword : reserved) {
        if (word.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

class Parser {
public:
    explicit Parser(const QString& sql) : m_sql(sql), m_tokens(tokenize(sql)) {}

    Statement parseStatement() {
        Statement statement;
        if (acceptKeyword("SELECT"))
            parseSelect(statement);
        else if (acceptKeyword("INSERT"))
            parseInsert(statement);
        else if (acceptKeyword("UPDATE"))
            parseUpdate(statement);
        else if (acceptKeyword("DELETE"))
            parseDelete(statement);
        else
            fail();
        return statement;
    }

private:
    const Token& peek() const { return m_tokens[m_position]; }
    void advance() {
        if (peek().kind != TokenKind::End && peek().kind != TokenKind::Invalid)
            ++m_position;
    }

    bool isKeyword(const char* keyword) const {
        return peek().kind == TokenKind::Word && peek().text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }
    bool acceptKeyword(const char* keyword) {
        if (!isKeyword(keyword))
            return false;
        advance();
        return true;
    }
    void expectKeyword(const char* keyword) {
        if (!acceptKeyword(keyword))
            fail();
    }
    bool acceptSymbol(const char* symbol) {
        if (peek().kind != TokenKind::Symbol || peek().text != QLatin1String(symbol))
            return false;
        advance();
        return true;
    }
    void expectSymbol(const char* symbol) {
        if (!acceptSymbol(symbol))
            fail();
    }

    QString expectName() {
        const Token& token = peek();
        if (token.kind == TokenKind::Name || (token.kind == TokenKind::Word && !isReservedWord(token.text))) {
            QString name = token.text;
            advance();
            return name;
        }
        fail();
    }

    Literal expectLiteral() {
        Literal literal;
        if (peek().kind == TokenKind::Text) {
            literal.kind = Literal::Kind::Text;
            literal.text = peek().text;
            advance();
            return literal;
        }
        if (acceptKeyword("NULL"))
            return literal;
        QString digits;
        if (peek().kind == TokenKind::Symbol &&
            (peek().text == QLatin1String("-") || peek().text == QLatin1String("+"))) {
            if (peek().text == QLatin1String("-"))
                digits = QStringLiteral("-");
            advance();
        }
        if (peek().kind != TokenKind::Number)
            fail();
        digits += peek().text;
        bool ok = false;
        literal.integer = digits.toLongLong(&ok);
        if (!ok)
            fail(); // beyond 64 bits
        literal.kind = Literal::Kind::Integer;
        advance();
        return literal;
    }

    void expectEnd() {
        acceptSymbol(";");
        if (peek().kind != TokenKind::End)
            fail();
    }

    void parseWhereAndEnd(Statement& statement) {
        if (acceptKeyword("WHERE")) {
            m_error = errSyntaxInExpression;
            m_clauseStart = peek().position;
            statement.where = parseOr(0);
        }
        expectEnd();
    }

    void parseSelect(Statement& statement) {
        statement.kind = Statement::Kind::Select;
        m_error = errSyntaxInExpression;
        m_clauseStart = peek().position;
        if (acceptSymbol("*")) {
            statement.allColumns = true;
        } else {
            do
                statement.columns.push_back(expectName());
            while (acceptSymbol(","));
        }
        m_error = errSyntaxInFrom;
        expectKeyword("FROM");
        statement.table = expectName();
        parseWhereAndEnd(statement);
    }

    void parseInsert(Statement& statement) {
        statement.kind = Statement::Kind::Insert;
        m_error = errSyntaxInInsert;
        expectKeyword("INTO");
        statement.table = expectName();
        expectSymbol("(");
        do
            statement.columns.push_back(expectName());
        while (acceptSymbol(","));
        expectSymbol(")");
        expectKeyword("VALUES");
        expectSymbol("(");
        do
            statement.values.push_back(expectLiteral());
        while (acceptSymbol(","));
        expectSymbol(")");
        expectEnd();
        if (statement.columns.size() != statement.values.size() || hasDuplicate(statement.columns))
            fail();
    }

    void parseUpdate(Statement& statement) {
        statement.kind = Statement::Kind::Update;
        m_error = errSyntaxInUpdate;
        statement.table = expectName();
        expectKeyword("SET");
        do {
            statement.columns.push_back(expectName());
            expectSymbol("=");
            statement.values.push_back(expectLiteral());
        } while (acceptSymbol(","));
        if (hasDuplicate(statement.columns))
            fail();
        parseWhereAndEnd(statement);
    }

    void parseDelete(Statement& statement) {
        statement.kind = Statement::Kind::Delete;
        m_error = errSyntaxInFrom;
        acceptSymbol("*");
        expectKeyword("FROM");
        statement.table = expectName();
        parseWhereAndEnd(statement);
    }

    static bool hasDuplicate(const std::vector<QString>& names) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            for (std::size_t j = i + 1; j < names.size(); ++j) {
                if (QString::compare(names[i], names[j], Qt::CaseInsensitive) == 0)
                    return true;
            }
        }
        return false;
    }

    static std::unique_ptr<Condition> combine(Condition::Kind kind, std::unique_ptr<Condition> left,
                                              std::unique_ptr<Condition> right) {
        auto node = std::make_unique<Condition>();
        node->kind = kind;
        node->left = std::move(left);
        node->right = std::move(right);
        return node;
    }

    std::unique_ptr<Condition> parseOr(int depth) {
        auto condition = parseAnd(depth);
        while (acceptKeyword("OR"))
            condition = combine(Condition::Kind::Or, std::move(condition), parseAnd(depth));
        return condition;
    }

    std::unique_ptr<Condition> parseAnd(int depth) {
        auto condition = parseFactor(depth);
        while (acceptKeyword("AND"))
            condition = combine(Condition::Kind::And, std::move(condition), parseFactor(depth));
        return condition;
    }

    std::unique_ptr<Condition> parseFactor(int depth) {
        if (depth > kMaxNesting)
            fail();
        if (acceptKeyword("NOT"))
            return combine(Condition::Kind::Not, parseFactor(depth + 1), nullptr);
        if (acceptSymbol("(")) {
            auto condition = parseOr(depth + 1);
            expectSymbol(")");
            return condition;
        }
        if (++m_comparisons > kMaxComparisons)
            fail();
        auto comparison = std::make_unique<Condition>();
        comparison->column = expectName();
        if (acceptKeyword("IS")) {
            comparison->op = acceptKeyword("NOT") ? CompareOp::IsNotNull : CompareOp::IsNull;
            expectKeyword("NULL");
            return comparison;
        }
        comparison->op = expectOperator();
        comparison->value = expectLiteral();
        return comparison;
    }

    CompareOp expectOperator() {
        static const struct {
            const char* symbol;
            CompareOp op;
        } operators[] = {{"=", CompareOp::Equal},   {"<>", CompareOp::NotEqual},    {"<", CompareOp::Less},
                         {">", CompareOp::Greater}, {"<=", CompareOp::LessOrEqual}, {">=", CompareOp::GreaterOrEqual}};
        for (const auto& candidate : operators) {
            if (acceptSymbol(candidate.symbol))
                return candidate.op;
        }
        fail();
    }

    [[noreturn]] void fail() const {
        QString description;
        switch (m_error) {
        case errSyntaxInExpression:
            description = QStringLiteral("查询表达式“%1”中有语法错误。").arg(m_sql.mid(m_clauseStart).trimmed());
            break;
        case errSyntaxInFrom:
            description = QStringLiteral("FROM 子句语法错误。");
            break;
        case errSyntaxInInsert:
            description = QStringLiteral("INSERT INTO 语句的语法错误。");
            break;
        case errSyntaxInUpdate:
            description = QStringLiteral("UPDATE 语句的语法错误。");
            break;
        default:
            description = QStringLiteral("无效的 SQL 语句；期待 'DELETE'、'INSERT'、'SELECT' 或 'UPDATE'。");
            break;
        }
        if (peek().kind == TokenKind::Invalid)
            description += QStringLiteral("（%1）").arg(peek().text);
        throw DaoError(m_error, description);
    }

    const QString& m_sql;
    std::vector<Token> m_tokens;
    std::size_t m_position = 0;
    int m_error = errInvalidStatement;
    qsizetype m_clauseStart = 0;
    int m_comparisons = 0;
};

[[noreturn]] void unknownField(int number, const QString& column, const TableInfo& table) {
    if (number == errUnknownInsertField)
        throw DaoError(number,
                       QStringLiteral("INSERT INTO 语句包含以下未知字段名：“%1”。请确定输入的名称正确，然后重新操作。")
                           .arg(column));
    throw DaoError(number, QStringLiteral("参数不足，期待是 1。（表“%1”中没有字段“%2”。）").arg(table.name, column));
}

[[noreturn]] void typeMismatch(const QString& column) {
    throw DaoError(errTypeMismatch, QStringLiteral("标准表达式中数据类型不匹配（字段“%1”）。").arg(column));
}

int columnOf(const TableInfo& table, const QString& name, int errorNumber) {
    const int index = table.columnIndex(name);
    if (index < 0)
        unknownField(errorNumber, name, table);
    return index;
}

// The value stored into a column, converted as the column's kind requires.
Binding storedValue(const Literal& literal, const ColumnInfo& column) {
    switch (literal.kind) {
    case Literal::Kind::Null:
        return std::monostate();
    case Literal::Kind::Integer:
        if (column.numeric)
            return literal.integer;
        return QByteArray::number(literal.integer);
    case Literal::Kind::Text:
        if (column.numeric) {
            bool ok = false;
            const qint64 number = literal.text.trimmed().toLongLong(&ok);
            if (!ok)
                typeMismatch(column.name);
            return number;
        }
        return literal.text.toUtf8();
    }
    return std::monostate();
}

const char* sqlOperator(CompareOp op) {
    switch (op) {
    case CompareOp::Equal:
        return " = ";
    case CompareOp::NotEqual:
        return " <> ";
    case CompareOp::Less:
        return " < ";
    case CompareOp::Greater:
        return " > ";
    case CompareOp::LessOrEqual:
        return " <= ";
    case CompareOp::GreaterOrEqual:
        return " >= ";
    case CompareOp::IsNull:
        return " IS NULL";
    case CompareOp::IsNotNull:
        return " IS NOT NULL";
    }
    return " = ";
}

void compileCondition(const Condition& condition, const TableInfo& table, Compiled& out) {
    switch (condition.kind) {
    case Condition::Kind::And:
    case Condition::Kind::Or:
        out.sql += '(';
        compileCondition(*condition.left, table, out);
        out.sql += condition.kind == Condition::Kind::And ? " AND " : " OR ";
        compileCondition(*condition.right, table, out);
        out.sql += ')';
        return;
    case Condition::Kind::Not:
        out.sql += "(NOT ";
        compileCondition(*condition.left, table, out);
        out.sql += ')';
        return;
    case Condition::Kind::Compare:
        break;
    }

    const ColumnInfo& column = table.columns[std::size_t(columnOf(table, condition.column, errTooFewParameters))];
    const QByteArray name = quotedIdentifier(column.name);
    if (condition.op == CompareOp::IsNull || condition.op == CompareOp::IsNotNull) {
        out.sql += '(' + name + sqlOperator(condition.op) + ')';
        return;
    }
    const Literal& value = condition.value;
    if (value.kind == Literal::Kind::Null) {
        out.sql += "NULL"; // a comparison with a missing value is never true
        return;
    }
    if (column.numeric) {
        if (value.kind != Literal::Kind::Integer)
            typeMismatch(column.name);
        out.sql += '(' + name + sqlOperator(condition.op) + "?)";
        out.bindings.emplace_back(value.integer);
    } else {
        if (value.kind != Literal::Kind::Text)
            typeMismatch(column.name);
        out.sql += '(';
        // Only where the column keeps numbers as text does its NOCASE equality see what the function sees.
        if (condition.op == CompareOp::Equal && column.textAffinity &&
            out.bindings.size() + kMaxCaseVariants < kMaxBindings) {
            // The same test, led by one an index declared COLLATE NOCASE can answer: the candidates are
            // exactly the texts the case-ignoring comparison finds equal.
            const std::vector<QByteArray> variants = caseVariants(value.text, kMaxCaseVariants);
            if (variants.size() == 1) {
                out.sql += name + " COLLATE NOCASE = ? AND ";
                out.bindings.emplace_back(variants.front());
            } else if (!variants.empty()) {
                out.sql += name + " COLLATE NOCASE IN (";
                for (std::size_t i = 0; i < variants.size(); ++i) {
                    out.sql += i ? ", ?" : "?";
                    out.bindings.emplace_back(variants[i]);
                }
                out.sql += ") AND ";
            }
        }
        out.sql += QByteArray(kTextCompareFunction) + '(' + name + ", ?)" + sqlOperator(condition.op) + "0)";
        out.bindings.emplace_back(value.text.toUtf8());
    }
}

void compileWhere(const Statement& statement, const TableInfo& table, Compiled& out) {
    if (!statement.where)
        return;
    out.sql += " WHERE ";
    compileCondition(*statement.where, table, out);
}

} // namespace

Statement parse(const QString& sql) {
    return Parser(sql).parseStatement();
}

Compiled compile(const Statement& statement, const TableInfo& table, bool longTextsInScan) {
    Compiled out;
    const QByteArray tableName = quotedIdentifier(table.name);
    switch (statement.kind) {
    case Statement::Kind::Select: {
        std::vector<int> columns;
        if (statement.allColumns) {
            for (std::size_t i = 0; i < table.columns.size(); ++i)
                columns.push_back(int(i));
        } else {
            for (const QString& name : statement.columns)
                columns.push_back(columnOf(table, name, errTooFewParameters));
        }
        out.sql = "SELECT rowid";
        for (int index : columns) {
            const ColumnInfo& column = table.columns[std::size_t(index)];
            OutputField field;
            field.tableColumn = index;
            if (column.longText && !longTextsInScan) {
                field.resultColumn = -1;
            } else {
                field.resultColumn = ++out.storedColumns;
                out.sql += ", " + quotedIdentifier(column.name);
            }
            out.fields.push_back(field);
        }
        out.sql += " FROM " + tableName;
        compileWhere(statement, table, out);
        // Records come in the order they were added (the table's own order), never in the order of an
        // index the engine happens to pick.
        out.sql += " ORDER BY rowid";
        break;
    }
    case Statement::Kind::Insert: {
        QByteArray names, placeholders;
        for (std::size_t i = 0; i < statement.columns.size(); ++i) {
            const ColumnInfo& column =
                table.columns[std::size_t(columnOf(table, statement.columns[i], errUnknownInsertField))];
            if (i > 0) {
                names += ", ";
                placeholders += ", ";
            }
            names += quotedIdentifier(column.name);
            placeholders += '?';
            out.bindings.push_back(storedValue(statement.values[i], column));
        }
        out.sql = "INSERT INTO " + tableName + " (" + names + ") VALUES (" + placeholders + ")";
        break;
    }
    case Statement::Kind::Update: {
        out.sql = "UPDATE " + tableName + " SET ";
        for (std::size_t i = 0; i < statement.columns.size(); ++i) {
            const ColumnInfo& column =
                table.columns[std::size_t(columnOf(table, statement.columns[i], errTooFewParameters))];
            if (i > 0)
                out.sql += ", ";
            out.sql += quotedIdentifier(column.name) + " = ?";
            out.bindings.push_back(storedValue(statement.values[i], column));
        }
        compileWhere(statement, table, out);
        break;
    }
    case Statement::Kind::Delete:
        out.sql = "DELETE FROM " + tableName;
        compileWhere(statement, table, out);
        break;
    }
    return out;
}

void bindAll(sqlite3_stmt* statement, const std::vector<Binding>& bindings, const Connection& connection) {
    for (std::size_t i = 0; i < bindings.size(); ++i) {
        const int index = int(i) + 1;
        int rc = SQLITE_OK;
        if (const auto* number = std::get_if<qint64>(&bindings[i]))
            rc = sqlite3_bind_int64(statement, index, *number);
        else if (const auto* text = std::get_if<QByteArray>(&bindings[i]))
            rc = sqlite3_bind_text(statement, index, text->constData(), int(text->size()), SQLITE_TRANSIENT);
        else
            rc = sqlite3_bind_null(statement, index);
        if (rc != SQLITE_OK)
            throw connection.error(rc);
    }
}

QByteArray longTextQuery(const TableInfo& table, int column) {
    return "SELECT " + quotedIdentifier(table.columns[std::size_t(column)].name) + " FROM " +
           quotedIdentifier(table.name) + " WHERE rowid = ?";
}

} // namespace dao::jet
