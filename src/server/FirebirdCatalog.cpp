#include "FirebirdCatalog.h"

#include "CatalogDatabase.h"
#include "CatalogText.h"
#include "ServerTypes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace korvex::server {

namespace {

// Names and codes in the RDB$ tables are CHAR columns, padded with blanks that are no part
// of them (Firebird ignores trailing blanks in names).
QString unpadded(const QVariant& value)
{
    QString s = value.toString();
    qsizetype end = s.size();
    while (end > 0 && s[end - 1] == u' ')
        --end;
    s.truncate(end);
    return s;
}

// The source texts (defaults, CHECKs, computed fields) are text BLOBs, which the driver
// hands over as bytes; the metadata character set is UTF-8.
QString sourceText(const QVariant& value)
{
    if (value.isNull())
        return {};
    return value.typeId() == QMetaType::QByteArray ? QString::fromUtf8(value.toByteArray()).trimmed()
                                                   : value.toString().trimmed();
}

// Firebird 3's reserved words, which a name can only be in quotes.
const char* const ReservedWords =
    "ADD ADMIN ALL ALTER AND ANY AS AT AVG BEGIN BETWEEN BIGINT BIT_LENGTH BLOB BOOLEAN BOTH BY CASE CAST CHAR "
    "CHAR_LENGTH CHARACTER CHARACTER_LENGTH CHECK CLOSE COLLATE COLUMN COMMIT CONNECT CONSTRAINT CORR COUNT "
    "COVAR_POP COVAR_SAMP CREATE CROSS CURRENT CURRENT_CONNECTION CURRENT_DATE CURRENT_ROLE CURRENT_TIME "
    "CURRENT_TIMESTAMP CURRENT_TRANSACTION CURRENT_USER CURSOR DATE DAY DEC DECIMAL DECLARE DEFAULT DELETE DELETING "
    "DETERMINISTIC DISCONNECT DISTINCT DOUBLE DROP ELSE END ESCAPE EXECUTE EXISTS EXTERNAL EXTRACT FALSE FETCH "
    "FILTER FLOAT FOR FOREIGN FROM FULL FUNCTION GDSCODE GLOBAL GRANT GROUP HAVING HOUR IN INDEX INNER INSENSITIVE "
    "INSERT INSERTING INT INTEGER INTO IS JOIN LEADING LEFT LIKE LONG LOWER MAX MERGE MIN MINUTE MONTH NATIONAL "
    "NATURAL NCHAR NO NOT NULL NUMERIC OCTET_LENGTH OF OFFSET ON ONLY OPEN OR ORDER OUTER OVER PARAMETER PLAN "
    "POSITION POST_EVENT PRECISION PRIMARY PROCEDURE REAL RECORD_VERSION RECREATE RECURSIVE REFERENCES RELEASE "
    "RETURNING_VALUES RETURNS REVOKE RIGHT ROLLBACK ROW ROW_COUNT ROWS SAVEPOINT SCROLL SECOND SELECT SENSITIVE SET "
    "SIMILAR SMALLINT SOME SQLCODE SQLSTATE START SUM TABLE THEN TIME TIMESTAMP TO TRAILING TRIGGER TRIM TRUE UNION "
    "UNIQUE UNKNOWN UPDATE UPDATING UPPER USER USING VALUE VALUES VARCHAR VARIABLE VARYING VIEW WHEN WHERE WHILE WITH "
    "YEAR";

// A name as Firebird's SQL writes it: bare when it reads back as itself unquoted (an upper
// case word that is no reserved word, since Firebird folds bare names to upper case),
// else in double quotes.
QString firebirdName(const QString& name)
{
    static const QRegularExpression upperWord(QStringLiteral("^[A-Z][A-Z0-9_$]*$"));
    static const QSet<QString> reserved = [] {
        const QStringList words = QString::fromLatin1(ReservedWords).split(u' ');
        return QSet<QString>(words.begin(), words.end());
    }();
    if (upperWord.match(name).hasMatch() && !reserved.contains(name))
        return name;
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

// The user's tables: no system relation, no view.
const char* const TablesWhere = "coalesce(r.rdb$system_flag, 0) = 0 and r.rdb$view_blr is null";

// Firebird's field type codes (RDB$FIELD_TYPE): the type text Firebird writes and the
// type name the report's mapping knows it by. CHAR, VARCHAR, BLOB and the exact numerics
// add their modifiers below.
struct TypeCode {
    int code;
    const char* text;
    const char* mappedAs;
};
constexpr std::array typeCodes = {
    TypeCode{7, "SMALLINT", "smallint"},
    TypeCode{8, "INTEGER", "integer"},
    TypeCode{16, "BIGINT", "bigint"},
    TypeCode{26, "INT128", "numeric"},
    TypeCode{10, "FLOAT", "real"},
    TypeCode{27, "DOUBLE PRECISION", "double precision"},
    TypeCode{11, "D_FLOAT", "double precision"},
    TypeCode{24, "DECFLOAT(16)", "double precision"},
    TypeCode{25, "DECFLOAT(34)", "double precision"},
    TypeCode{14, "CHAR", "char"},
    TypeCode{37, "VARCHAR", "varchar"},
    TypeCode{40, "CSTRING", "varchar"},
    TypeCode{261, "BLOB", "blob"},
    TypeCode{12, "DATE", "date"},
    TypeCode{13, "TIME", "time"},
    TypeCode{35, "TIMESTAMP", "timestamp"},
    TypeCode{28, "TIME WITH TIME ZONE", "time with time zone"},
    TypeCode{29, "TIMESTAMP WITH TIME ZONE", "timestamp with time zone"},
    TypeCode{23, "BOOLEAN", "boolean"},
};

// The digits an integer type holds when a NUMERIC or DECIMAL made in dialect 1 left its
// precision unrecorded.
int defaultPrecision(int code)
{
    switch (code) {
    case 7: return 4;
    case 8: return 9;
    case 26: return 38;
    case 27: return 15;
    default: return 18;
    }
}

// What RDB$FIELDS says about a column's type.
struct ColumnType {
    int code = 0;
    int subType = 0;
    int length = 0; // bytes
    int precision = 0;
    int scale = 0; // negative: digits after the point
    int characterLength = 0;
    QString characterSet; // empty: none recorded
};

// The type text as Firebird writes it and the type the report maps it from.
std::pair<QString, ServerType> typeOf(const ColumnType& f, const QString& databaseCharacterSet)
{
    const auto rule = std::find_if(typeCodes.begin(), typeCodes.end(),
                                   [&](const TypeCode& t) { return t.code == f.code; });
    ServerType type;
    QString text = rule == typeCodes.end() ? QStringLiteral("UNKNOWN TYPE %1").arg(f.code) : QLatin1String(rule->text);
    type.baseName = rule == typeCodes.end() ? QString() : QLatin1String(rule->mappedAs);
    const bool integer = f.code == 7 || f.code == 8 || f.code == 16 || f.code == 26;
    // Dialect 1 keeps a NUMERIC of more than 9 digits in a DOUBLE PRECISION with a scale.
    const bool scaledDouble = f.code == 27 && f.scale < 0;
    const QString ownSet = f.characterSet.isEmpty() || f.characterSet == databaseCharacterSet
                               ? QString()
                               : QStringLiteral(" CHARACTER SET ") + f.characterSet;
    if ((integer && (f.subType == 1 || f.subType == 2 || f.scale < 0)) || scaledDouble) {
        const int precision = f.precision > 0 ? f.precision : defaultPrecision(f.code);
        text = QStringLiteral("%1(%2,%3)")
                   .arg(f.subType == 2 ? QLatin1String("DECIMAL") : QLatin1String("NUMERIC"))
                   .arg(precision)
                   .arg(-f.scale);
        type.baseName = QStringLiteral("numeric");
        type.length = precision;
        type.scale = -f.scale;
    } else if (f.code == 14 || f.code == 37 || f.code == 40) {
        const int characters = f.characterLength > 0 ? f.characterLength : f.length;
        text += QStringLiteral("(%1)").arg(characters) + ownSet;
        type.length = characters;
        // Octets are bytes, not characters.
        if (f.characterSet == u"OCTETS")
            type.baseName = f.code == 14 ? QStringLiteral("bit") : QStringLiteral("bit varying");
    } else if (f.code == 261) {
        if (f.subType == 1) {
            text += QStringLiteral(" SUB_TYPE TEXT") + ownSet;
            type.baseName = QStringLiteral("text");
        } else {
            text += f.subType == 0 ? QStringLiteral(" SUB_TYPE BINARY") : QStringLiteral(" SUB_TYPE %1").arg(f.subType);
        }
    } else if (f.code == 26) {
        type.length = 38;
    }
    if (type.baseName.isEmpty())
        type.group = ServerType::Group::Other;
    return {text, type};
}

// The text after a leading keyword ("DEFAULT 'x'" → "'x'"); the text itself when it does
// not start with it.
QString afterKeyword(const QString& source, const char* keyword)
{
    const std::vector<SqlToken> tokens = tokenize(source);
    if (tokens.size() < 2 || tokens[0].kind != SqlToken::Kind::Word ||
        tokens[0].text.compare(QLatin1String(keyword), Qt::CaseInsensitive) != 0)
        return source;
    return source.mid(tokens[1].begin).trimmed();
}

// A CHECK's condition: "CHECK (a > 0)" → "a > 0".
QString checkCondition(const QString& source)
{
    const QString rest = afterKeyword(source, "check");
    const std::vector<SqlToken> tokens = tokenize(rest);
    if (tokens.size() < 2 || tokens.front().text != u"(" || tokens.back().text != u")" ||
        tokens.front().kind != SqlToken::Kind::Symbol)
        return rest;
    // Only when the first parenthesis closes at the very end does it enclose the whole.
    int depth = 0;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i].kind != SqlToken::Kind::Symbol)
            continue;
        if (tokens[i].text == u"(")
            ++depth;
        else if (tokens[i].text == u")" && --depth == 0 && i + 1 < tokens.size())
            return rest;
    }
    return rest.mid(tokens.front().end, tokens.back().begin - tokens.front().end).trimmed();
}

// A domain's CHECK speaks of VALUE; on a column it speaks of the column.
QString checkOnColumn(const QString& condition, const QString& column)
{
    QString out = condition;
    const std::vector<SqlToken> tokens = tokenize(condition);
    for (auto t = tokens.rbegin(); t != tokens.rend(); ++t) {
        if (t->kind == SqlToken::Kind::Word && t->text.compare(QLatin1String("value"), Qt::CaseInsensitive) == 0)
            out.replace(t->begin, t->end - t->begin, firebirdName(column));
    }
    return out;
}

struct CatalogRows {
    std::vector<ServerTable> tables;
    QHash<QString, std::size_t> byName; // by the plain name
    QHash<QString, QStringList> caseInsensitiveColumns;

    ServerTable* table(const QString& plainName)
    {
        const auto found = byName.constFind(plainName);
        return found == byName.constEnd() ? nullptr : &tables[*found];
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

QStringList tableNames(const QSqlDatabase& database)
{
    QSqlQuery q = runCatalogQuery(database, QStringLiteral("select r.rdb$relation_name from rdb$relations r where ") +
                                                QLatin1String(TablesWhere));
    QStringList names;
    while (q.next())
        names << unpadded(q.value(0));
    std::sort(names.begin(), names.end());
    return names;
}

ServerFacts readDatabaseFacts(const QSqlDatabase& database)
{
    QSqlQuery q = runCatalogQuery(database, QStringLiteral(R"(
select d.rdb$character_set_name, c.rdb$default_collate_name from rdb$database d
left join rdb$character_sets c on c.rdb$character_set_name = d.rdb$character_set_name)"));
    ServerFacts facts;
    if (q.next()) {
        facts.encoding = unpadded(q.value(0));
        facts.collation = unpadded(q.value(1));
    }
    // A database made without a character set stores text as it comes.
    if (facts.encoding.isEmpty())
        facts.encoding = QStringLiteral("NONE");
    return facts;
}

void readColumns(const QSqlDatabase& database, const ServerFacts& facts, CatalogRows& rows)
{
    // Identity columns came with Firebird 3; an older server has no RDB$IDENTITY_TYPE.
    QSqlQuery version = runCatalogQuery(database, QStringLiteral("select rdb$get_context('SYSTEM', 'ENGINE_VERSION') "
                                                                 "from rdb$database"));
    const bool identities = version.next() && version.value(0).toString().section(u'.', 0, 0).toInt() >= 3;
    QSqlQuery q = runCatalogQuery(
        database, QStringLiteral(R"(
select rf.rdb$relation_name, rf.rdb$field_name, rf.rdb$field_source,
   f.rdb$field_type, f.rdb$field_sub_type, f.rdb$field_length, f.rdb$field_precision, f.rdb$field_scale,
   f.rdb$character_length, cs.rdb$character_set_name,
   case when coalesce(rf.rdb$null_flag, 0) = 1 or coalesce(f.rdb$null_flag, 0) = 1 then 1 else 0 end,
   coalesce(rf.rdb$default_source, f.rdb$default_source), f.rdb$computed_source, %1,
   f.rdb$validation_source, co.rdb$collation_name
from rdb$relation_fields rf
join rdb$relations r on r.rdb$relation_name = rf.rdb$relation_name
join rdb$fields f on f.rdb$field_name = rf.rdb$field_source
left join rdb$character_sets cs on cs.rdb$character_set_id = f.rdb$character_set_id
left join rdb$collations co on co.rdb$character_set_id = f.rdb$character_set_id
                           and co.rdb$collation_id = coalesce(rf.rdb$collation_id, f.rdb$collation_id)
where %2
order by rf.rdb$relation_name, rf.rdb$field_position)")
                      .arg(identities ? QLatin1String("case when rf.rdb$identity_type is null then 0 else 1 end")
                                      : QLatin1String("0"),
                           QLatin1String(TablesWhere)));
    while (q.next()) {
        ServerTable* t = rows.table(unpadded(q.value(0)));
        if (!t)
            continue; // made after the table list was read
        const QString name = unpadded(q.value(1));
        const QString source = unpadded(q.value(2));
        ColumnType f;
        f.code = q.value(3).toInt();
        f.subType = q.value(4).toInt();
        f.length = q.value(5).toInt();
        f.precision = q.value(6).toInt();
        f.scale = q.value(7).toInt();
        f.characterLength = q.value(8).toInt();
        f.characterSet = unpadded(q.value(9));
        auto [text, type] = typeOf(f, facts.encoding);
        const QString computed = sourceText(q.value(12));
        // A column of a domain the user named shows the domain, as it was declared; the
        // RDB$ domains are the ones Firebird made for a column's own type.
        if (!computed.isEmpty())
            text = QStringLiteral("COMPUTED BY ") + computed;
        else if (!source.startsWith(QLatin1String("RDB$")))
            text = firebirdName(source);
        t->definition.fields.push_back(fieldFor(name, type, text, q.value(13).toInt() == 1));
        const auto number = std::uint16_t(t->definition.fields.size());
        if (!computed.isEmpty())
            continue; // computed, never stored: neither required nor defaulted
        if (q.value(10).toInt() == 1)
            ValidityChecks(t->definition).of(number).required = true;
        const QString defaultSource = sourceText(q.value(11));
        if (!defaultSource.isEmpty())
            addDefault(*t, number, afterKeyword(defaultSource, "default"));
        const QString domainCheck = sourceText(q.value(14));
        if (!domainCheck.isEmpty())
            addCheck(*t, firebirdName(source), checkOnColumn(checkCondition(domainCheck), name));
        const QString collation = unpadded(q.value(15));
        if (collation.contains(QLatin1String("_CI")))
            rows.caseInsensitiveColumns[t->plainName] << name;
    }
}

// The indexes with their keys, one row per key column (none for an expression index), the
// primary key's first.
void readIndexes(const QSqlDatabase& database, CatalogRows& rows)
{
    QSqlQuery q = runCatalogQuery(database, QStringLiteral(R"(
select i.rdb$relation_name, i.rdb$index_name, coalesce(i.rdb$unique_flag, 0), coalesce(i.rdb$index_type, 0),
   i.rdb$expression_source, case when pk.rdb$constraint_name is null then 0 else 1 end, s.rdb$field_name
from rdb$indices i
join rdb$relations r on r.rdb$relation_name = i.rdb$relation_name
left join rdb$relation_constraints pk on pk.rdb$index_name = i.rdb$index_name
                                     and pk.rdb$constraint_type = 'PRIMARY KEY'
left join rdb$index_segments s on s.rdb$index_name = i.rdb$index_name
where %1
order by i.rdb$relation_name, case when pk.rdb$constraint_name is null then 1 else 0 end,
   i.rdb$index_name, s.rdb$field_position)")
                                                .arg(QLatin1String(TablesWhere)));
    QString lastTable;
    QString lastIndex;
    QStringList keys;
    ServerTable* t = nullptr;
    const auto finish = [&] {
        if (!t || t->indexes.empty() || keys.isEmpty())
            return;
        IndexDescription& index = t->indexes.back();
        index.fields = keys.join(u';');
        for (const QString& key : keys)
            index.caseInsensitive = index.caseInsensitive ||
                                    rows.caseInsensitiveColumns.value(t->plainName).contains(key);
        if (index.primary) {
            for (FieldDefinition& f : t->definition.fields)
                f.key = f.key || keys.contains(f.name);
        }
    };
    while (q.next()) {
        const QString tableName = unpadded(q.value(0));
        const QString indexName = unpadded(q.value(1));
        if (tableName != lastTable || indexName != lastIndex) {
            finish();
            keys.clear();
            lastTable = tableName;
            lastIndex = indexName;
            t = rows.table(tableName);
            if (!t)
                continue;
            IndexDescription& index = t->indexes.emplace_back();
            index.name = indexName;
            index.unique = q.value(2).toInt() == 1;
            index.descending = q.value(3).toInt() == 1;
            index.primary = q.value(5).toInt() == 1;
            const QString expression = sourceText(q.value(4));
            if (!expression.isEmpty()) {
                index.expressionIndex = true;
                index.expression = checkCondition(expression);
                const QString upper = index.expression.toUpper();
                index.caseInsensitive = upper.startsWith(QLatin1String("UPPER(")) ||
                                        upper.startsWith(QLatin1String("LOWER("));
            }
        }
        if (t && !q.value(6).isNull())
            keys << unpadded(q.value(6));
    }
    finish();
}

// The foreign keys that start or end at a table read: one row per pair of columns.
void readForeignKeys(const QSqlDatabase& database, CatalogRows& rows)
{
    QSqlQuery q = runCatalogQuery(database, QStringLiteral(R"(
select fk.rdb$constraint_name, fk.rdb$relation_name, rc.rdb$update_rule, rc.rdb$delete_rule, uq.rdb$relation_name,
   fs.rdb$field_name, us.rdb$field_name
from rdb$relation_constraints fk
join rdb$ref_constraints rc on rc.rdb$constraint_name = fk.rdb$constraint_name
join rdb$relation_constraints uq on uq.rdb$constraint_name = rc.rdb$const_name_uq
join rdb$index_segments fs on fs.rdb$index_name = fk.rdb$index_name
join rdb$index_segments us on us.rdb$index_name = uq.rdb$index_name and us.rdb$field_position = fs.rdb$field_position
where fk.rdb$constraint_type = 'FOREIGN KEY'
order by fk.rdb$relation_name, fk.rdb$constraint_name, fs.rdb$field_position)"));
    struct Key {
        QString name;
        QString own;
        QString referred;
        LinkRules rules;
        QStringList ownColumns;
        QStringList referredColumns;
    };
    std::vector<Key> keys;
    while (q.next()) {
        const QString name = unpadded(q.value(0));
        const QString own = unpadded(q.value(1));
        if (keys.empty() || keys.back().name != name || keys.back().own != own)
            keys.push_back({name,
                            own,
                            unpadded(q.value(4)),
                            LinkRules(referentialAction(unpadded(q.value(2))), referentialAction(unpadded(q.value(3)))),
                            {},
                            {}});
        keys.back().ownColumns << unpadded(q.value(5));
        keys.back().referredColumns << unpadded(q.value(6));
    }
    for (const Key& key : keys) {
        ServerTable* own = rows.table(key.own);
        ServerTable* referred = rows.table(key.referred);
        const auto add = [&](ServerTable& t, IntegrityDescriptor::Kind kind) {
            const bool master = kind == IntegrityDescriptor::Kind::Master;
            IntegrityDescriptor link;
            link.name = key.name;
            link.kind = kind;
            link.relatedTable = master ? (referred ? referred->name : firebirdName(key.referred))
                                       : (own ? own->name : firebirdName(key.own));
            link.cascade = key.rules;
            for (qsizetype i = 0; i < key.ownColumns.size(); ++i) {
                const std::uint16_t ownNumber = own ? fieldNumber(*own, key.ownColumns[i]) : 0;
                const std::uint16_t referredNumber = referred ? fieldNumber(*referred, key.referredColumns[i]) : 0;
                link.pairs.emplace_back(master ? ownNumber : referredNumber, master ? referredNumber : ownNumber);
            }
            t.links.push_back(std::move(link));
        };
        if (own)
            add(*own, IntegrityDescriptor::Kind::Master);
        if (referred)
            add(*referred, IntegrityDescriptor::Kind::Dependent);
    }
}

// The CHECK constraints: Firebird keeps each as the source of the triggers that enforce
// it, one before insert (type 1) and one before update.
void readChecks(const QSqlDatabase& database, CatalogRows& rows)
{
    QSqlQuery q = runCatalogQuery(database, QStringLiteral(R"(
select rc.rdb$relation_name, rc.rdb$constraint_name, t.rdb$trigger_source
from rdb$relation_constraints rc
join rdb$check_constraints cc on cc.rdb$constraint_name = rc.rdb$constraint_name
join rdb$triggers t on t.rdb$trigger_name = cc.rdb$trigger_name
where rc.rdb$constraint_type = 'CHECK' and t.rdb$trigger_type = 1
order by rc.rdb$relation_name, rc.rdb$constraint_name)"));
    while (q.next()) {
        if (ServerTable* t = rows.table(unpadded(q.value(0))))
            addCheck(*t, unpadded(q.value(1)), checkCondition(sourceText(q.value(2))));
    }
}

// Holds the connection's catalog and, for a database file, the private copy the embedded
// engine reads; the connection is closed before the copy goes.
class FirebirdReader : public CatalogReader {
public:
    FirebirdReader(FirebirdCatalog catalog, QString connectionName, std::unique_ptr<QTemporaryDir> copy)
        : catalog_(std::move(catalog)), connectionName_(std::move(connectionName)), copy_(std::move(copy))
    {}
    ~FirebirdReader() override
    {
        catalog_ = FirebirdCatalog(QSqlDatabase());
        QSqlDatabase::database(connectionName_, false).close();
    }
    FirebirdReader(const FirebirdReader&) = delete;
    FirebirdReader& operator=(const FirebirdReader&) = delete;
    QStringList listTables() override { return catalog_.listTables(); }
    std::vector<ServerTable> readTables() override { return catalog_.readTables(); }

private:
    FirebirdCatalog catalog_;
    QString connectionName_;
    std::unique_ptr<QTemporaryDir> copy_;
};

// The embedded engine keeps its lock files in FIREBIRD_LOCK, else in /tmp/firebird, which
// the first user to get there owns. The copies Korvex reads are its own, shared with no
// other process, so unless the user has said where, their locks go into a folder of the
// process's own.
void keepLocksPrivate()
{
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/korvex-firebird-XXXXXX"));
    if (folder.isValid())
        qputenv("FIREBIRD_LOCK", QFile::encodeName(folder.path()));
}

// The port a Firebird server listens on unless told otherwise (the service gds_db).
constexpr int DefaultPort = 3050;
constexpr int ConnectTimeoutMs = 10000;

// Why no TCP connection to host:port opens within ConnectTimeoutMs; nothing when one does.
// Qt's driver cannot hand the client a connect timeout of its own, and the client's
// default waits minutes for a server that does not answer.
std::optional<QString> unreachable(const QString& host, int port)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const QByteArray name = host.toUtf8();
    const QByteArray service = QByteArray::number(port);
    if (const int rc = getaddrinfo(name.constData(), service.constData(), &hints, &found); rc != 0)
        return QString::fromLocal8Bit(gai_strerror(rc));
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);
    QString reason;
    for (const addrinfo* a = found; a; a = a->ai_next) {
        const int fd = socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            reason = QString::fromLocal8Bit(std::strerror(errno));
            continue;
        }
        int error = ::connect(fd, a->ai_addr, a->ai_addrlen) == 0 ? 0 : errno;
        if (error == EINPROGRESS) {
            pollfd waiting{fd, POLLOUT, 0};
            if (poll(&waiting, 1, ConnectTimeoutMs) <= 0) {
                error = ETIMEDOUT;
            } else {
                socklen_t size = sizeof error;
                if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
                    error = errno;
            }
        }
        ::close(fd);
        if (error == 0)
            return std::nullopt;
        reason = QString::fromLocal8Bit(std::strerror(error));
    }
    return reason;
}

// The client's words when the server knows no such user or the password is wrong.
bool wantsPassword(const QString& serverText)
{
    return serverText.contains(QLatin1String("user name and password are not defined"), Qt::CaseInsensitive);
}

} // namespace

QSqlDatabase openFirebird(const QString& connectionName, const FirebirdLogin& login)
{
    QSqlDatabase db = addConnection(QStringLiteral("QIBASE"), QStringLiteral("Firebird"), connectionName);
    db.setHostName(login.host);
    if (login.port > 0)
        db.setPort(login.port);
    db.setDatabaseName(login.database);
    db.setUserName(login.user);
    db.setPassword(login.password);
    openConnection(db);
    return db;
}

FirebirdCatalog::FirebirdCatalog(QSqlDatabase database) : database_(std::move(database))
{}

QStringList FirebirdCatalog::listTables()
{
    QStringList names;
    for (const QString& name : tableNames(database_))
        names << firebirdName(name);
    return names;
}

std::vector<ServerTable> FirebirdCatalog::readTables()
{
    // One transaction for all the queries, ended without a commit: the reader changes
    // nothing.
    const bool own = database_.transaction();
    CatalogRows rows;
    try {
        const ServerFacts facts = readDatabaseFacts(database_);
        for (const QString& name : tableNames(database_)) {
            ServerTable& t = rows.tables.emplace_back();
            rows.byName.insert(name, rows.tables.size() - 1);
            t.plainName = name;
            t.name = firebirdName(name);
            t.definition.tableType = QStringLiteral("FIREBIRD");
            t.definition.codePage = facts.encoding == u"UTF8" ? 65001 : 0;
            t.definition.languageDriverName = facts.encoding;
            t.definition.server = facts;
        }
        readColumns(database_, facts, rows);
        readIndexes(database_, rows);
        readForeignKeys(database_, rows);
        readChecks(database_, rows);
    } catch (...) {
        if (own)
            database_.rollback();
        throw;
    }
    if (own)
        database_.rollback();
    for (ServerTable& t : rows.tables)
        ValidityChecks(t.definition).finish();
    return std::move(rows.tables);
}

std::unique_ptr<Database> openFirebirdAlias(const AliasDefinition& alias, const LoginPassword& password)
{
    FirebirdLogin login;
    std::unique_ptr<QTemporaryDir> copy;
    if (alias.serverName().isEmpty()) {
        const QString file = alias.databaseFile();
        if (file.isEmpty())
            throw EngineError(result::NoSuchFile,
                              QStringLiteral("alias \"%1\": its DATABASE NAME names no database file").arg(alias.name));
        // Never made: attaching to a path that is not there fails, but say so plainly.
        if (!QFileInfo(file).isFile())
            throw EngineError(result::NoSuchFile,
                              QStringLiteral("alias \"%1\": %2: no such database file").arg(alias.name, file));
        copy = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/korvex-fdb-XXXXXX"));
        const QString target = copy->isValid() ? copy->filePath(QStringLiteral("database.fdb")) : QString();
        QFile source(file);
        if (target.isEmpty() || !source.copy(target))
            throw EngineError(result::ReadError, QStringLiteral("alias \"%1\": %2: cannot be copied to be read: %3")
                                                     .arg(alias.name, file, source.errorString()));
        // The engine writes into the copy as it attaches; a read-only original makes a
        // read-only copy.
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        keepLocksPrivate();
        login.database = target;
    } else {
        const ServerAddress address = alias.serverAddress();
        login.host = address.host;
        login.port = address.port;
        login.database = alias.databaseName();
        const int port = address.port > 0 ? address.port : DefaultPort;
        if (const auto reason = unreachable(address.host, port))
            throw refused(alias, QStringLiteral("cannot reach %1:%2: %3").arg(address.host).arg(port).arg(*reason));
    }
    login.user = alias.userName().isEmpty() ? qEnvironmentVariable("ISC_USER") : alias.userName();
    const QString connection = uniqueConnectionName(QStringLiteral("firebird"));
    QSqlDatabase db = logIn(
        alias, password, login.user,
        [&](const QString& given) {
            // The client's own source first: ISC_PASSWORD.
            login.password = given.isEmpty() ? qEnvironmentVariable("ISC_PASSWORD") : given;
            return openFirebird(connection, login);
        },
        wantsPassword);
    auto reader = std::make_unique<FirebirdReader>(FirebirdCatalog(db), connection, std::move(copy));
    db = QSqlDatabase();
    return std::make_unique<CatalogDatabase>(alias.name, connection, std::move(reader));
}

} // namespace korvex::server
