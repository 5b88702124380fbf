#include "OdbcCatalog.h"

#include "CatalogDatabase.h"
#include "CatalogText.h"
#include "ServerTypes.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <tuple>
#include <utility>

// The driver manager's headers come last: they define plain names (BOOL, WORD, ...).
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

namespace korvex::server {

// unixODBC's wide characters are UTF-16 code units, as QString's are.
static_assert(sizeof(SQLWCHAR) == sizeof(char16_t));

namespace {

// What a table says instead of CHECK constraints that it cannot list.
const char* const ChecksUnavailable = "CHECK constraints are not available through ODBC";

// The diagnostic records of a handle: the first record's SQLSTATE, and every record's
// text, one after the other.
OdbcError diagnosticOf(SQLSMALLINT handleType, SQLHANDLE handle, const char* call)
{
    QString state;
    QStringList texts;
    for (SQLSMALLINT record = 1; handle != SQL_NULL_HANDLE; ++record) {
        std::array<SQLWCHAR, 6> recordState{};
        std::array<SQLWCHAR, 1024> text{};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        const SQLRETURN rc = SQLGetDiagRecW(handleType, handle, record, recordState.data(), &native, text.data(),
                                            SQLSMALLINT(text.size()), &length);
        if (!SQL_SUCCEEDED(rc))
            break;
        if (state.isEmpty())
            state = QString::fromUtf16(reinterpret_cast<const char16_t*>(recordState.data()), 5);
        const auto shown = std::min<qsizetype>(length, qsizetype(text.size()) - 1);
        texts << QString::fromUtf16(reinterpret_cast<const char16_t*>(text.data()), shown).trimmed();
    }
    texts.removeAll(QString());
    texts.removeDuplicates();
    if (texts.isEmpty())
        texts << QStringLiteral("%1 failed and the driver gave no reason").arg(QLatin1String(call));
    return OdbcError(state, texts.join(QStringLiteral("; ")));
}

void check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char* call)
{
    if (!SQL_SUCCEEDED(rc))
        throw diagnosticOf(handleType, handle, call);
}

// A text argument of a catalog function: the driver reads it up to its terminating zero;
// a null text is a null argument.
SQLWCHAR* argument(const QString& text)
{
    if (text.isNull())
        return nullptr;
    return reinterpret_cast<SQLWCHAR*>(const_cast<char16_t*>(reinterpret_cast<const char16_t*>(text.utf16())));
}

// One ODBC handle, freed with it.
class Handle {
public:
    Handle(SQLSMALLINT type, SQLHANDLE parent) : type_(type)
    {
        const SQLRETURN rc = SQLAllocHandle(type, parent, &handle_);
        if (!SQL_SUCCEEDED(rc)) {
            handle_ = SQL_NULL_HANDLE;
            if (parent == SQL_NULL_HANDLE)
                throw OdbcError(QString(), QStringLiteral("unixODBC could not make an ODBC environment"));
            throw diagnosticOf(type == SQL_HANDLE_DBC ? SQL_HANDLE_ENV : SQL_HANDLE_DBC, parent, "SQLAllocHandle");
        }
    }
    ~Handle()
    {
        if (handle_ != SQL_NULL_HANDLE)
            SQLFreeHandle(type_, handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    SQLHANDLE get() const { return handle_; }
    SQLSMALLINT type() const { return type_; }

private:
    SQLSMALLINT type_;
    SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

} // namespace

class OdbcConnection {
public:
    OdbcConnection() : environment_(SQL_HANDLE_ENV, SQL_NULL_HANDLE)
    {
        check(SQLSetEnvAttr(environment_.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0),
              SQL_HANDLE_ENV, environment_.get(), "SQLSetEnvAttr");
        connection_.emplace(SQL_HANDLE_DBC, environment_.get());
    }
    ~OdbcConnection()
    {
        if (connected_)
            SQLDisconnect(handle());
    }
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    void connect(const QString& connectionString)
    {
        // A server that does not answer must not hold the run.
        SQLSetConnectAttrW(handle(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(SQLULEN(10)), 0);
        std::array<SQLWCHAR, 1024> completed{};
        SQLSMALLINT length = 0;
        check(SQLDriverConnectW(handle(), nullptr, argument(connectionString), SQL_NTS, completed.data(),
                                SQLSMALLINT(completed.size()), &length, SQL_DRIVER_NOPROMPT),
              SQL_HANDLE_DBC, handle(), "SQLDriverConnect");
        connected_ = true;
        // Nothing is ever written; a driver that cannot promise it reads all the same.
        SQLSetConnectAttrW(handle(), SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY), 0);
    }

    SQLHDBC handle() const { return connection_->get(); }

    // A text of SQLGetInfo; empty when the driver does not know it.
    QString info(SQLUSMALLINT what) const
    {
        std::array<SQLWCHAR, 512> text{};
        SQLSMALLINT length = 0;
        if (!SQL_SUCCEEDED(SQLGetInfoW(handle(), what, text.data(), SQLSMALLINT(sizeof(text)), &length)))
            return {};
        return QString::fromUtf16(reinterpret_cast<const char16_t*>(text.data()));
    }
    std::optional<SQLUSMALLINT> shortInfo(SQLUSMALLINT what) const
    {
        SQLUSMALLINT value = 0;
        if (!SQL_SUCCEEDED(SQLGetInfoW(handle(), what, &value, sizeof(value), nullptr)))
            return std::nullopt;
        return value;
    }

private:
    Handle environment_;
    std::optional<Handle> connection_;
    bool connected_ = false;
};

namespace {

// One result set of a catalog function, read row by row with every value as text.
class Statement {
public:
    explicit Statement(const OdbcConnection& connection) : statement_(SQL_HANDLE_STMT, connection.handle()) {}

    SQLHSTMT handle() const { return statement_.get(); }
    void check(SQLRETURN rc, const char* call) const { server::check(rc, SQL_HANDLE_STMT, handle(), call); }

    // The column names of the result, upper case, from 1 on at [0].
    QStringList columnNames() const
    {
        SQLSMALLINT count = 0;
        check(SQLNumResultCols(handle(), &count), "SQLNumResultCols");
        QStringList names;
        for (SQLUSMALLINT i = 1; i <= SQLUSMALLINT(count); ++i) {
            std::array<SQLWCHAR, 256> name{};
            SQLSMALLINT length = 0;
            SQLSMALLINT type = 0;
            SQLULEN size = 0;
            SQLSMALLINT digits = 0;
            SQLSMALLINT nullable = 0;
            check(SQLDescribeColW(handle(), i, name.data(), SQLSMALLINT(name.size()), &length, &type, &size, &digits,
                                  &nullable),
                  "SQLDescribeCol");
            names << QString::fromUtf16(reinterpret_cast<const char16_t*>(name.data())).toUpper();
        }
        return names;
    }

    // The next row's first `count` columns (a null one as a null text); false after the
    // last row.
    bool fetch(int count, std::vector<QString>& row)
    {
        const SQLRETURN rc = SQLFetch(handle());
        if (rc == SQL_NO_DATA)
            return false;
        check(rc, "SQLFetch");
        row.assign(std::size_t(count), QString());
        // In column order: a driver need not give a column that lies before the last given.
        for (int column = 1; column <= count; ++column)
            row[std::size_t(column - 1)] = value(SQLUSMALLINT(column));
        return true;
    }

private:
    QString value(SQLUSMALLINT column) const
    {
        QString text;
        std::array<SQLWCHAR, 512> buffer{};
        for (;;) {
            SQLLEN indicator = 0;
            const SQLRETURN rc = SQLGetData(handle(), column, SQL_C_WCHAR, buffer.data(), SQLLEN(sizeof(buffer)),
                                            &indicator);
            if (rc == SQL_NO_DATA)
                break;
            check(rc, "SQLGetData");
            if (indicator == SQL_NULL_DATA)
                return QString();
            const qsizetype room = qsizetype(buffer.size()) - 1;
            const qsizetype given = indicator == SQL_NO_TOTAL
                                        ? room
                                        : std::min<qsizetype>(indicator / qsizetype(sizeof(SQLWCHAR)), room);
            text += QString::fromUtf16(reinterpret_cast<const char16_t*>(buffer.data()), given);
            // SQL_SUCCESS_WITH_INFO: the value went on beyond the buffer; the next call
            // gives the rest.
            if (rc == SQL_SUCCESS)
                break;
        }
        return text.isNull() ? QStringLiteral("") : text;
    }

    Handle statement_;
};

// How a driver's DATA_TYPE reads as a type the report knows: the type name the mapping
// of server types takes it for, and whether COLUMN_SIZE (and DECIMAL_DIGITS) are its
// length (and scale).
enum class Modifiers { None, Length, PrecisionAndScale };
struct OdbcTypeRule {
    SQLSMALLINT dataType;
    const char* typeName;
    Modifiers modifiers;
};
// SQL Server's own codes for its time types with fractions and with a time zone offset.
constexpr SQLSMALLINT SqlServerTime2 = -154;
constexpr SQLSMALLINT SqlServerTimestampOffset = -155;
constexpr std::array odbcTypeRules = {
    OdbcTypeRule{SQL_CHAR, "char", Modifiers::Length},
    OdbcTypeRule{SQL_WCHAR, "char", Modifiers::Length},
    OdbcTypeRule{SQL_VARCHAR, "varchar", Modifiers::Length},
    OdbcTypeRule{SQL_WVARCHAR, "varchar", Modifiers::Length},
    OdbcTypeRule{SQL_LONGVARCHAR, "text", Modifiers::None},
    OdbcTypeRule{SQL_WLONGVARCHAR, "text", Modifiers::None},
    OdbcTypeRule{SQL_TINYINT, "smallint", Modifiers::None},
    OdbcTypeRule{SQL_SMALLINT, "smallint", Modifiers::None},
    OdbcTypeRule{SQL_INTEGER, "integer", Modifiers::None},
    OdbcTypeRule{SQL_BIGINT, "bigint", Modifiers::None},
    OdbcTypeRule{SQL_NUMERIC, "numeric", Modifiers::PrecisionAndScale},
    OdbcTypeRule{SQL_DECIMAL, "numeric", Modifiers::PrecisionAndScale},
    OdbcTypeRule{SQL_REAL, "real", Modifiers::None},
    OdbcTypeRule{SQL_FLOAT, "double precision", Modifiers::None},
    OdbcTypeRule{SQL_DOUBLE, "double precision", Modifiers::None},
    OdbcTypeRule{SQL_BIT, "boolean", Modifiers::None},
    OdbcTypeRule{SQL_TYPE_DATE, "date", Modifiers::None},
    OdbcTypeRule{SQL_DATE, "date", Modifiers::None}, // what ODBC 2 drivers give
    OdbcTypeRule{SQL_TYPE_TIME, "time", Modifiers::None},
    OdbcTypeRule{SQL_TIME, "time", Modifiers::None},
    OdbcTypeRule{SqlServerTime2, "time", Modifiers::None},
    OdbcTypeRule{SQL_TYPE_TIMESTAMP, "timestamp", Modifiers::None},
    OdbcTypeRule{SQL_TIMESTAMP, "timestamp", Modifiers::None},
    OdbcTypeRule{SqlServerTimestampOffset, "timestamp", Modifiers::None},
    OdbcTypeRule{SQL_BINARY, "blob", Modifiers::None},
    OdbcTypeRule{SQL_VARBINARY, "blob", Modifiers::None},
    OdbcTypeRule{SQL_LONGVARBINARY, "blob", Modifiers::None},
    OdbcTypeRule{SQL_GUID, "uuid", Modifiers::None},
};

// Types that drivers pass as text of a size of their own choosing (PostgreSQL's driver:
// booleans as "BoolsAsChar", JSON, XML and arrays as varchar(255)): by TYPE_NAME, what
// they are.
struct TextPassedType {
    const char* typeName;
    const char* asType;
};
constexpr std::array textPassedTypes = {
    TextPassedType{"bool", "boolean"}, TextPassedType{"boolean", "boolean"}, TextPassedType{"text", "text"},
    TextPassedType{"json", "text"},    TextPassedType{"jsonb", "text"},      TextPassedType{"xml", "text"},
    TextPassedType{"citext", "text"},  TextPassedType{"tsvector", "text"},   TextPassedType{"tsquery", "text"},
};

bool isCharacterType(int dataType)
{
    return dataType == SQL_CHAR || dataType == SQL_WCHAR || dataType == SQL_VARCHAR || dataType == SQL_WVARCHAR ||
           dataType == SQL_LONGVARCHAR || dataType == SQL_WLONGVARCHAR;
}

// The type of a column as SQLColumns describes it. A type the rules do not know (an
// interval, a driver's own) prints as its text.
ServerType typeOf(int dataType, const QString& typeName, const QString& columnSize, const QString& decimalDigits)
{
    ServerType type;
    if (isCharacterType(dataType)) {
        const QString name = typeName.toLower();
        // An array: PostgreSQL's driver names its element type after an underscore.
        if (name.endsWith(QLatin1String("[]")) || name.startsWith(u'_')) {
            type.baseName = QStringLiteral("text");
            return type;
        }
        for (const TextPassedType& passed : textPassedTypes) {
            if (name == QLatin1String(passed.typeName)) {
                type.baseName = QLatin1String(passed.asType);
                return type;
            }
        }
    }
    const auto rule = std::find_if(odbcTypeRules.begin(), odbcTypeRules.end(),
                                   [&](const OdbcTypeRule& r) { return r.dataType == dataType; });
    if (rule == odbcTypeRules.end()) {
        type.baseName = typeName.toLower();
        return type;
    }
    type.baseName = QLatin1String(rule->typeName);
    // A money type is a number of the floating kind that prints with its currency.
    const QString name = typeName.toLower();
    if (type.baseName == u"double precision" && (name == u"money" || name == u"smallmoney"))
        type.baseName = QStringLiteral("money");
    bool ok = false;
    const int size = columnSize.toInt(&ok);
    // A size of 0 (or none) is a text without a limit: "varchar(max)".
    if (ok && size > 0 && rule->modifiers != Modifiers::None)
        type.length = size;
    const int digits = decimalDigits.toInt(&ok);
    if (ok && rule->modifiers == Modifiers::PrecisionAndScale)
        type.scale = digits;
    return type;
}

// A foreign key's rule as SQLForeignKeys gives it.
ReferentialAction actionOf(const QString& code)
{
    switch (code.toInt()) {
    case SQL_CASCADE: return ReferentialAction::Cascade;
    case SQL_RESTRICT: return ReferentialAction::Restrict;
    case SQL_SET_NULL: return ReferentialAction::SetNull;
    case SQL_SET_DEFAULT: return ReferentialAction::SetDefault;
    default: return ReferentialAction::NoAction;
    }
}

// A table by its schema and name, as the catalog functions name it.
QString keyOf(const QString& schema, const QString& name)
{
    return schema + QChar(0x1f) + name;
}

// The facts of the data source that every reading needs.
struct SourceFacts {
    QString dbms;
    QString collation;
    SQLUSMALLINT identifierCase = SQL_IC_MIXED;
    QString escape; // of "_" and "%" in a search pattern
};

SourceFacts factsOf(const OdbcConnection& connection)
{
    SourceFacts facts;
    facts.dbms = connection.info(SQL_DBMS_NAME);
    facts.collation = connection.info(SQL_COLLATION_SEQ);
    facts.identifierCase = connection.shortInfo(SQL_IDENTIFIER_CASE).value_or(SQLUSMALLINT(SQL_IC_MIXED));
    facts.escape = connection.info(SQL_SEARCH_PATTERN_ESCAPE);
    return facts;
}

// A name as SQL writes it on this data source: bare only when the server's folding of a
// bare name gives it back unchanged.
QString sqlName(const QString& name, SQLUSMALLINT identifierCase)
{
    if (identifierCase == SQL_IC_LOWER)
        return quotedName(name, true);
    if (identifierCase == SQL_IC_UPPER) {
        const QString lower = name.toLower();
        if (name == name.toUpper() && quotedName(lower, true) == lower)
            return name;
        return u'"' + QString(name).replace(u'"', QStringLiteral("\"\"")) + u'"';
    }
    return quotedName(name, false);
}

// A name as a search pattern that matches it alone.
QString patternOf(const QString& name, const QString& escape)
{
    if (name.isEmpty() || escape.isEmpty())
        return name.isEmpty() ? QString() : name;
    QString pattern;
    for (const QChar c : name) {
        if (c == u'_' || c == u'%' || escape.contains(c))
            pattern += escape;
        pattern += c;
    }
    return pattern;
}

// One table of SQLTables.
struct ListedTable {
    QString catalog;
    QString schema;
    QString name;
};

// What one reading gathers: the tables in list order, found by schema and name, and the
// primary keys' columns.
struct CatalogRows {
    std::vector<ListedTable> listed;
    std::vector<ServerTable> tables;
    QHash<QString, std::size_t> byKey;
    QHash<QString, QStringList> primaryKeys; // by table, the key's columns in key order
    // The columns of tables of other schemas that refer to these, by table.
    QHash<QString, QStringList> otherColumns;

    ServerTable* find(const QString& schema, const QString& name)
    {
        const auto it = byKey.constFind(keyOf(schema, name));
        return it == byKey.cend() ? nullptr : &tables[*it];
    }
};

std::uint16_t fieldNumber(const ServerTable& t, const QString& name)
{
    for (std::size_t i = 0; i < t.definition.fields.size(); ++i) {
        if (t.definition.fields[i].name == name)
            return std::uint16_t(i + 1);
    }
    return 0;
}

} // namespace

std::shared_ptr<OdbcConnection> openOdbc(const QString& connectionString)
{
    auto connection = std::make_shared<OdbcConnection>();
    connection->connect(connectionString);
    return connection;
}

OdbcCatalog::OdbcCatalog(std::shared_ptr<OdbcConnection> connection, QString schema)
    : connection_(std::move(connection)), schema_(std::move(schema))
{}

namespace {

// The servers whose drivers list tables of the server's own as tables: by the name the
// driver gives the server, the prefix of those tables' names.
struct SystemTables {
    const char* dbms;
    const char* prefix;
};
constexpr std::array systemTables = {
    SystemTables{"SQLite", "sqlite_"},
};

bool isSystemTable(const QString& dbms, const QString& name)
{
    return std::any_of(systemTables.begin(), systemTables.end(), [&](const SystemTables& system) {
        return dbms.compare(QLatin1String(system.dbms), Qt::CaseInsensitive) == 0 &&
               name.startsWith(QLatin1String(system.prefix), Qt::CaseInsensitive);
    });
}

// The tables, no views nor system tables, sorted by schema and name.
std::vector<ListedTable> tablesOf(const OdbcConnection& connection, const QString& dbms, const QString& schemaPattern,
                                  OdbcCalls& calls)
{
    Statement s(connection);
    const QString all = QStringLiteral("%");
    const QString types = QStringLiteral("TABLE");
    ++calls.tables;
    s.check(SQLTablesW(s.handle(), nullptr, 0, argument(schemaPattern), SQL_NTS, argument(all), SQL_NTS,
                       argument(types), SQL_NTS),
            "SQLTables");
    std::vector<ListedTable> tables;
    std::vector<QString> row;
    while (s.fetch(4, row)) {
        // A driver that takes no list of types gives the others too.
        if (row[3].compare(types, Qt::CaseInsensitive) != 0 || isSystemTable(dbms, row[2]))
            continue;
        tables.push_back({row[0], row[1], row[2]});
    }
    std::sort(tables.begin(), tables.end(), [](const ListedTable& a, const ListedTable& b) {
        return std::tie(a.schema, a.name) < std::tie(b.schema, b.name);
    });
    return tables;
}

QStringList namesOf(const std::vector<ListedTable>& tables, SQLUSMALLINT identifierCase)
{
    const bool qualify = std::any_of(tables.begin(), tables.end(),
                                     [&](const ListedTable& t) { return t.schema != tables[0].schema; });
    QStringList names;
    for (const ListedTable& t : tables) {
        const QString name = sqlName(t.name, identifierCase);
        names << (qualify ? sqlName(t.schema, identifierCase) + u'.' + name : name);
    }
    return names;
}

// What each type takes in its declaration (CREATE_PARAMS: "max. length", "precision,
// scale"), by its name in lower case; nothing when the driver cannot tell.
QHash<QString, QString> declarationParameters(const OdbcConnection& connection)
{
    QHash<QString, QString> parameters;
    try {
        Statement s(connection);
        s.check(SQLGetTypeInfoW(s.handle(), SQL_ALL_TYPES), "SQLGetTypeInfo");
        std::vector<QString> row;
        while (s.fetch(6, row)) {
            if (!row[5].isEmpty())
                parameters.insert(row[0].toLower(), row[5].toLower());
        }
    } catch (const OdbcError&) {
        // The names alone, then; a connection that is gone fails the next call.
    }
    return parameters;
}

// A column's type as its declaration reads: TYPE_NAME with the sizes its type takes, such
// as "numeric(12,4)" or "varchar(40)".
QString declaredType(const QString& typeName, const QString& parameters, const QString& size, const QString& digits)
{
    if (parameters.isEmpty() || typeName.contains(u'(') || size.toInt() <= 0)
        return typeName;
    const QStringList names = parameters.split(u',');
    if (names.size() >= 2)
        return QStringLiteral("%1(%2,%3)").arg(typeName, size, digits.isEmpty() ? QStringLiteral("0") : digits);
    // A fraction of seconds alone ("datetime2(3)").
    if (names[0].contains(QLatin1String("scale")))
        return digits.isEmpty() ? typeName : QStringLiteral("%1(%2)").arg(typeName, digits);
    return QStringLiteral("%1(%2)").arg(typeName, size);
}

// The columns of every table in one call: the type by DATA_TYPE with TYPE_NAME and its
// sizes as the server's text, NOT NULL, the default, and Auto-Inc where the driver tells it.
void readColumns(const OdbcConnection& connection, const QString& schemaPattern, CatalogRows& rows, OdbcCalls& calls)
{
    const QHash<QString, QString> parameters = declarationParameters(connection);
    Statement s(connection);
    const QString all = QStringLiteral("%");
    ++calls.columns;
    s.check(SQLColumnsW(s.handle(), nullptr, 0, argument(schemaPattern), SQL_NTS, argument(all), SQL_NTS, argument(all),
                        SQL_NTS),
            "SQLColumns");
    // Past the 18 columns ODBC names, some drivers say whether a column numbers itself.
    const QStringList names = s.columnNames();
    int autoColumn = int(names.indexOf(QStringLiteral("IS_AUTOINCREMENT")));
    if (autoColumn < 0)
        autoColumn = int(names.indexOf(QStringLiteral("AUTO_INCREMENT")));
    const int count = std::max(13, autoColumn + 1);
    std::vector<QString> row;
    while (s.fetch(count, row)) {
        ServerTable* t = rows.find(row[1], row[2]);
        if (!t)
            continue; // a view's
        const QString typeName = row[5];
        const QString def = row[12];
        const QString autoFlag = autoColumn >= 0 ? row[std::size_t(autoColumn)].toUpper() : QString();
        const QString lowerType = typeName.toLower();
        const bool serial = def.startsWith(QLatin1String("nextval("));
        const bool autoIncrement = autoFlag == u"YES" || autoFlag == u"1" || serial ||
                                   lowerType.contains(QLatin1String("identity")) ||
                                   lowerType.contains(QLatin1String("serial"));
        const ServerType type = typeOf(row[4].toInt(), typeName, row[6], row[8]);
        const QString declared = declaredType(typeName, parameters.value(lowerType), row[6], row[8]);
        t->definition.fields.push_back(fieldFor(row[3], type, declared, autoIncrement));
        const auto number = std::uint16_t(t->definition.fields.size());
        if (row[10] == u"0") // SQL_NO_NULLS
            ValidityChecks(t->definition).of(number).required = true;
        // A sequence behind an Auto-Inc field is what Auto-Inc says.
        if (!def.isNull() && !(serial && t->definition.fields.back().type == FieldType::AutoInc))
            addDefault(*t, number, def);
    }
}

// The primary key's columns in key order, and its name when the driver gives one.
std::pair<QStringList, QString> primaryKeyOf(const OdbcConnection& connection, const ListedTable& table,
                                             OdbcCalls& calls)
{
    Statement s(connection);
    ++calls.primaryKeys;
    s.check(SQLPrimaryKeysW(s.handle(), argument(table.catalog), SQL_NTS, argument(table.schema), SQL_NTS,
                            argument(table.name), SQL_NTS),
            "SQLPrimaryKeys");
    std::vector<std::pair<int, QString>> parts;
    QString name;
    std::vector<QString> row;
    while (s.fetch(6, row)) {
        parts.emplace_back(row[4].toInt(), row[3]);
        name = row[5];
    }
    std::sort(parts.begin(), parts.end());
    QStringList columns;
    for (const auto& part : parts)
        columns << part.second;
    return {columns, name};
}

// The indexes, the primary key's first and the others by name. A key that is no column of
// the table is an expression; an index that is the primary key's is known by its name or,
// without one, by its unique columns.
void readIndexes(const OdbcConnection& connection, const ListedTable& table, ServerTable& t, CatalogRows& rows,
                 OdbcCalls& calls)
{
    const auto [keyColumns, keyName] = primaryKeyOf(connection, table, calls);
    rows.primaryKeys.insert(keyOf(table.schema, table.name), keyColumns);
    Statement s(connection);
    ++calls.statistics;
    s.check(SQLStatisticsW(s.handle(), argument(table.catalog), SQL_NTS, argument(table.schema), SQL_NTS,
                           argument(table.name), SQL_NTS, SQL_INDEX_ALL, SQL_QUICK),
            "SQLStatistics");
    std::vector<QString> row;
    std::vector<IndexDescription> indexes;
    std::vector<QStringList> keysOf;
    while (s.fetch(13, row)) {
        if (row[6].toInt() == SQL_TABLE_STAT || row[5].isNull())
            continue;
        if (indexes.empty() || indexes.back().name != row[5]) {
            IndexDescription& index = indexes.emplace_back();
            index.name = row[5];
            index.unique = row[3] == u"0";
            index.forCondition = row[12];
            keysOf.emplace_back();
        }
        IndexDescription& index = indexes.back();
        const QString key = row[8];
        index.descending = index.descending || row[9].compare(QLatin1String("D"), Qt::CaseInsensitive) == 0;
        if (key.startsWith(QLatin1String("lower(")) || key.startsWith(QLatin1String("upper(")))
            index.caseInsensitive = true;
        if (key.isEmpty() || fieldNumber(t, key) == 0)
            index.expressionIndex = true;
        keysOf.back() << key;
    }
    for (std::size_t i = 0; i < indexes.size(); ++i) {
        IndexDescription& index = indexes[i];
        if (index.expressionIndex)
            index.expression = keysOf[i].join(QStringLiteral(", "));
        else
            index.fields = keysOf[i].join(u';');
        index.primary = !keyColumns.isEmpty() && index.unique &&
                        (keyName.isEmpty() ? keysOf[i] == keyColumns : index.name == keyName);
    }
    std::sort(indexes.begin(), indexes.end(), [](const IndexDescription& a, const IndexDescription& b) {
        return std::make_pair(!a.primary, a.name) < std::make_pair(!b.primary, b.name);
    });
    // A key without an index of its own (SQLite's rowid) is still the primary key.
    if (!keyColumns.isEmpty() && (indexes.empty() || !indexes.front().primary)) {
        IndexDescription primary;
        primary.primary = true;
        primary.unique = true;
        primary.fields = keyColumns.join(u';');
        indexes.insert(indexes.begin(), primary);
    }
    for (FieldDefinition& f : t.definition.fields)
        f.key = keyColumns.contains(f.name);
    t.indexes = std::move(indexes);
}

// One foreign key as SQLForeignKeys gives it, column pair by column pair.
struct ForeignKey {
    QString name;
    QString ownCatalog;
    QString ownSchema;
    QString ownTable;
    QString referredSchema;
    QString referredTable;
    LinkRules rules;
    QStringList ownColumns;
    QStringList referredColumns;
};

// The foreign keys that start at the table, or that end at it.
enum class KeySide { Starting, Ending };
void readForeignKeys(const OdbcConnection& connection, const ListedTable& table, KeySide side,
                     std::vector<ForeignKey>& keys, OdbcCalls& calls)
{
    Statement s(connection);
    ++calls.foreignKeys;
    const bool starting = side == KeySide::Starting;
    const ListedTable none;
    const ListedTable& referred = starting ? none : table;
    const ListedTable& own = starting ? table : none;
    s.check(SQLForeignKeysW(s.handle(), argument(referred.catalog), SQL_NTS, argument(referred.schema), SQL_NTS,
                            argument(referred.name), SQL_NTS, argument(own.catalog), SQL_NTS, argument(own.schema),
                            SQL_NTS, argument(own.name), SQL_NTS),
            "SQLForeignKeys");
    std::vector<QString> row;
    std::vector<ForeignKey> found;
    while (s.fetch(12, row)) {
        // A new key starts at its first column pair.
        if (found.empty() || row[8].toInt() <= 1 || found.back().name != row[11]) {
            ForeignKey& k = found.emplace_back();
            k.name = row[11];
            k.referredSchema = row[1];
            k.referredTable = row[2];
            k.ownCatalog = row[4];
            k.ownSchema = row[5];
            k.ownTable = row[6];
            k.rules = LinkRules(actionOf(row[9]), actionOf(row[10]));
        }
        found.back().referredColumns << row[3];
        found.back().ownColumns << row[7];
    }
    std::sort(found.begin(), found.end(), [](const ForeignKey& a, const ForeignKey& b) { return a.name < b.name; });
    keys.insert(keys.end(), found.begin(), found.end());
}

// The columns of a table outside the schema read, in their order.
QStringList columnNamesOf(const OdbcConnection& connection, const ForeignKey& key, const QString& escape,
                          OdbcCalls& calls)
{
    Statement s(connection);
    const QString schema = patternOf(key.ownSchema, escape);
    const QString table = patternOf(key.ownTable, escape);
    const QString all = QStringLiteral("%");
    ++calls.columns;
    s.check(SQLColumnsW(s.handle(), argument(key.ownCatalog), SQL_NTS, argument(schema), SQL_NTS, argument(table),
                        SQL_NTS, argument(all), SQL_NTS),
            "SQLColumns");
    QStringList names;
    std::vector<QString> row;
    while (s.fetch(4, row)) {
        if (row[1] == key.ownSchema && row[2] == key.ownTable)
            names << row[3];
    }
    return names;
}

// Each foreign key as its table's master link and, when the referred table is read too,
// as that table's dependent link.
void addLinks(const std::vector<ForeignKey>& keys, const QStringList& listNames, CatalogRows& rows,
              SQLUSMALLINT identifierCase)
{
    const auto listName = [&](const QString& schema, const QString& name) {
        const auto it = rows.byKey.constFind(keyOf(schema, name));
        if (it != rows.byKey.cend())
            return listNames[qsizetype(*it)];
        return schema.isEmpty() ? sqlName(name, identifierCase)
                                : sqlName(schema, identifierCase) + u'.' + sqlName(name, identifierCase);
    };
    for (const ForeignKey& k : keys) {
        ServerTable* own = rows.find(k.ownSchema, k.ownTable);
        ServerTable* referred = rows.find(k.referredSchema, k.referredTable);
        // A key that names no columns of the referred table refers to its primary key.
        const QStringList referredColumns = k.referredColumns.join(QString()).isEmpty()
                                                ? rows.primaryKeys.value(keyOf(k.referredSchema, k.referredTable))
                                                : k.referredColumns;
        const QStringList otherColumns = rows.otherColumns.value(keyOf(k.ownSchema, k.ownTable));
        const auto add = [&](ServerTable& t, IntegrityDescriptor::Kind kind) {
            const bool master = kind == IntegrityDescriptor::Kind::Master;
            IntegrityDescriptor link;
            link.name = k.name;
            link.kind = kind;
            link.relatedTable = master ? listName(k.referredSchema, k.referredTable)
                                       : listName(k.ownSchema, k.ownTable);
            link.cascade = k.rules;
            for (qsizetype i = 0; i < std::min(k.ownColumns.size(), referredColumns.size()); ++i) {
                const std::uint16_t mine = own ? fieldNumber(*own, k.ownColumns[i])
                                               : std::uint16_t(otherColumns.indexOf(k.ownColumns[i]) + 1);
                const std::uint16_t theirs = referred ? fieldNumber(*referred, referredColumns[i]) : 0;
                link.pairs.emplace_back(master ? mine : theirs, master ? theirs : mine);
            }
            t.links.push_back(std::move(link));
        };
        if (own)
            add(*own, IntegrityDescriptor::Kind::Master);
        if (referred)
            add(*referred, IntegrityDescriptor::Kind::Dependent);
    }
}

} // namespace

QStringList OdbcCatalog::listTables()
{
    const SourceFacts facts = factsOf(*connection_);
    return namesOf(tablesOf(*connection_, facts.dbms, patternOf(schema_, facts.escape), calls_), facts.identifierCase);
}

std::vector<ServerTable> OdbcCatalog::readTables()
{
    const SourceFacts facts = factsOf(*connection_);
    const QString schemaPattern = patternOf(schema_, facts.escape);
    CatalogRows rows;
    rows.listed = tablesOf(*connection_, facts.dbms, schemaPattern, calls_);
    const QStringList names = namesOf(rows.listed, facts.identifierCase);
    ServerFacts serverFacts;
    serverFacts.collation = facts.collation;
    serverFacts.checksNote = QLatin1String(ChecksUnavailable);
    for (std::size_t i = 0; i < rows.listed.size(); ++i) {
        const ListedTable& listed = rows.listed[i];
        ServerTable& t = rows.tables.emplace_back();
        rows.byKey.insert(keyOf(listed.schema, listed.name), i);
        t.schema = listed.schema;
        t.plainName = listed.name;
        t.name = names[qsizetype(i)];
        t.definition.tableType = QStringLiteral("ODBC");
        // Names and texts come through the driver manager's wide-character calls.
        t.definition.codePage = 65001;
        t.definition.languageDriverName = facts.dbms;
        t.definition.languageDriverDescription =
            facts.collation.isEmpty()
                ? QStringLiteral("%1 through ODBC").arg(facts.dbms)
                : QStringLiteral("%1 through ODBC, collation %2").arg(facts.dbms, facts.collation);
        t.definition.server = serverFacts;
    }
    readColumns(*connection_, schemaPattern, rows, calls_);
    std::vector<ForeignKey> keys;
    for (std::size_t i = 0; i < rows.listed.size(); ++i) {
        readIndexes(*connection_, rows.listed[i], rows.tables[i], rows, calls_);
        readForeignKeys(*connection_, rows.listed[i], KeySide::Starting, keys, calls_);
    }
    // A schema read alone: the tables of other schemas may refer to its tables too.
    if (!schema_.isEmpty()) {
        std::vector<ForeignKey> ending;
        for (const ListedTable& listed : rows.listed)
            readForeignKeys(*connection_, listed, KeySide::Ending, ending, calls_);
        for (const ForeignKey& k : ending) {
            if (rows.find(k.ownSchema, k.ownTable))
                continue;
            // Its fields are counted as the table's columns come.
            const QString key = keyOf(k.ownSchema, k.ownTable);
            if (!rows.otherColumns.contains(key))
                rows.otherColumns.insert(key, columnNamesOf(*connection_, k, facts.escape, calls_));
            keys.push_back(k);
        }
    }
    addLinks(keys, names, rows, facts.identifierCase);
    for (ServerTable& t : rows.tables)
        ValidityChecks(t.definition).finish();
    return std::move(rows.tables);
}

QString odbcConnectionString(const AliasDefinition& alias, const QString& password)
{
    // A value in braces may hold ";" and "="; a brace in it is doubled. Some drivers read
    // a data source's name as it stands, so only a value that needs them gets braces.
    const auto braced = [](QString value) { return u'{' + value.replace(u'}', QStringLiteral("}}")) + u'}'; };
    const auto plain = [&](const QString& value) {
        static const QRegularExpression special(QStringLiteral("[;{}=]|^\\s|\\s$"));
        return value.contains(special) ? braced(value) : value;
    };
    QString text = alias.odbcConnect().trimmed();
    if (text.isEmpty() && !alias.odbcDsn().isEmpty())
        text = QStringLiteral("DSN=") + plain(alias.odbcDsn());
    const auto append = [&](const QString& part) {
        if (!text.isEmpty() && !text.endsWith(u';'))
            text += u';';
        text += part;
    };
    if (!alias.userName().isEmpty())
        append(QStringLiteral("UID=") + plain(alias.userName()));
    if (!password.isEmpty())
        append(QStringLiteral("PWD=") + braced(password));
    return text;
}

std::unique_ptr<Database> openOdbcAlias(const AliasDefinition& alias, const LoginPassword& password)
{
    if (alias.odbcConnect().trimmed().isEmpty() && alias.odbcDsn().trimmed().isEmpty())
        throw EngineError(result::NoSuchFile,
                          QStringLiteral("alias \"%1\": it names no ODBC DSN and no ODBC CONNECT").arg(alias.name));
    std::shared_ptr<OdbcConnection> connection;
    QString lastState;
    // The login's answer is the connection made; the Qt Sql connection logIn hands back is
    // none, since ODBC's catalog functions are called directly.
    logIn(
        alias, password, alias.userName(),
        [&](const QString& given) {
            try {
                connection = openOdbc(odbcConnectionString(alias, given));
            } catch (const OdbcError& e) {
                lastState = e.sqlState();
                throw;
            }
            return QSqlDatabase();
        },
        [&](const QString& serverText) {
            // 28000: the server refused the login; drivers also say so in words when the
            // password is missing.
            return lastState == u"28000" || lastState == u"28P01" ||
                   serverText.contains(QLatin1String("password"), Qt::CaseInsensitive);
        });
    auto reader = std::make_unique<ReaderOf<OdbcCatalog>>(OdbcCatalog(connection, alias.schemaName()));
    return std::make_unique<CatalogDatabase>(alias.name, QString(), std::move(reader));
}

} // namespace korvex::server
