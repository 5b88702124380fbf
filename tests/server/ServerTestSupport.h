#pragma once

#include "ServerTable.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <gtest/gtest.h>

#include <algorithm>

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

} // namespace korvex::server::test
