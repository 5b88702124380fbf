#pragma once

#include "ServerTable.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>
#include <span>

namespace korvex::server::test {

// Runs statements one by one, failing the test with the server's text.
inline void execAll(const QSqlDatabase& db, const QStringList& statements)
{
    for (const QString& s : statements) {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(s)) << s.toStdString() << ": " << q.lastError().text().toStdString();
    }
}

inline const ServerTable* tableNamed(const std::vector<ServerTable>& tables, const QString& name)
{
    const auto it = std::find_if(tables.begin(), tables.end(), [&](const ServerTable& t) { return t.name == name; });
    return it == tables.end() ? nullptr : &*it;
}

inline const FieldDefinition* fieldNamed(const ServerTable& t, const QString& name)
{
    for (const FieldDefinition& f : t.definition.fields) {
        if (f.name == name)
            return &f;
    }
    return nullptr;
}

inline const ValidityCheck* checkOf(const ServerTable& t, const QString& field)
{
    for (const ValidityCheck& c : t.definition.validityChecks) {
        if (t.definition.fields.at(c.fieldNumber - 1).name == field)
            return &c;
    }
    return nullptr;
}

// A field a catalog reader is expected to give: its name, type, size and stored type.
struct ExpectedField {
    const char* name;
    FieldType type;
    int size;
    const char* storedType;
};

// The table's fields are exactly these, in order; with serverType, the server's own type
// text is the stored type as well.
inline void expectFields(const ServerTable& t, std::span<const ExpectedField> expected, bool serverType = true)
{
    ASSERT_EQ(t.definition.fields.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const FieldDefinition& f = t.definition.fields[i];
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(f.name, QString::fromUtf8(expected[i].name));
        EXPECT_EQ(f.type, expected[i].type);
        EXPECT_EQ(f.size, expected[i].size);
        EXPECT_EQ(f.storedType, expected[i].storedType);
        if (serverType) {
            EXPECT_EQ(f.serverType, expected[i].storedType);
        }
    }
}

} // namespace korvex::server::test
