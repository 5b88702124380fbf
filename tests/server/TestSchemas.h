#pragma once

// The test schemas the catalog readers are checked against, each in its server's own SQL:
// the native readers and the ODBC reader read the same databases.

#include <QStringList>

namespace korvex::server::test {

// One schema with every mapped type and every kind of constraint, a second schema, and a
// view that is no table.
inline const QStringList PostgresSchema = {
    R"sql(drop schema if exists korvex_sales, "Zweites Schema" cascade)sql",
    "create schema korvex_sales",
    R"sql(create schema "Zweites Schema")sql",
    R"sql(create table korvex_sales.customers (
         id integer generated always as identity primary key,
         name character varying(40) not null default 'nobody',
         notes text,
         small smallint default -5 check (small between -10 and 10),
         big bigint,
         price numeric(12,4) not null default 0 check (price >= 0),
         ratio real, precise double precision,
         cash money default 12.5,
         active boolean default true,
         born date default '2000-01-31' check (born <= '2100-12-31'),
         opens time default '08:30:00',
         created timestamp default now(),
         stamped timestamp default '2024-02-29 10:30:00',
         photo bytea,
         code character(3),
         tags integer[],
         doc jsonb,
         uid uuid,
         "Größe des Kunden" integer check ("Größe des Kunden" <= 250),
         "say ""hi""" text,
         constraint name_not_blank check (length(name) > 0),
         check (price <= 1000 or active)))sql",
    "alter table korvex_sales.customers drop column notes",
    "create unique index customers_name_desc on korvex_sales.customers (name desc)",
    "create index customers_lower_name on korvex_sales.customers (lower(name))",
    "create table korvex_sales.serials (id serial primary key, label varchar(10))",
    R"sql(create table korvex_sales.orders (
         id integer primary key,
         obsolete integer,
         customer integer references korvex_sales.customers (id) on update cascade on delete restrict,
         parent integer references korvex_sales.orders (id) on delete set null,
         serial integer default 1 references korvex_sales.serials (id) on delete set default,
         plain integer references korvex_sales.serials (id)))sql",
    "alter table korvex_sales.orders drop column obsolete",
    R"sql(create table korvex_sales."Order Lines" (
         order_id integer not null references korvex_sales.orders (id) on delete cascade,
         line smallint not null,
         primary key (order_id, line)))sql",
    "create table korvex_sales.a (id integer primary key, b_id integer)",
    "create table korvex_sales.b (id integer primary key, a_id integer references korvex_sales.a (id))",
    "alter table korvex_sales.a add constraint a_b foreign key (b_id) references korvex_sales.b (id)",
    R"sql(create table "Zweites Schema"."Ärger" (
         id integer primary key, customer integer references korvex_sales.customers (id)))sql",
    "create view korvex_sales.customer_names as select name from korvex_sales.customers",
};

// The SQLite database: every affinity, NOT NULL, literal and computed defaults, CHECKs,
// a primary key of rowid and of two columns, unique, descending, expression and partial
// indexes, foreign keys with each rule, a self-reference, two tables referring to each
// other, and a view.
inline const QStringList SqliteSchema = {
    R"sql(create table customers (
                     id integer primary key autoincrement,
                     name varchar(40) not null default 'nobody' collate nocase,
                     notes text,
                     small smallint default -5 check (small between -10 and 10),
                     big bigint,
                     price numeric(12, 4) not null default 0 constraint price_positive check (price >= 0),
                     ratio real, cash money default 12.5, active boolean default 1,
                     born date default '2000-01-31', opens time, created datetime default current_timestamp,
                     photo blob, anything, "Größe des Kunden" integer,
                     check ("Größe des Kunden" <= 250),
                     constraint name_not_blank check (length(name) > 0)))sql",
    "create unique index customers_name_desc on customers (name desc)",
    "create index customers_lower_name on customers (lower(name)) where active",
    R"sql(create table "Order Lines" (
                     order_id integer not null references orders (id) on delete cascade on update cascade,
                     line smallint not null, primary key (order_id, line)))sql",
    R"sql(create table orders (
                     id integer primary key,
                     customer integer references customers on delete restrict,
                     parent integer references orders (id) on delete set null,
                     other integer references customers (id) on delete set default,
                     plain integer references customers (id)))sql",
    "create table a (id integer primary key, b_id integer references b (id))",
    "create table b (id integer primary key, a_id integer references a (id))",
    "create view customer_names as select name from customers",
};

} // namespace korvex::server::test
