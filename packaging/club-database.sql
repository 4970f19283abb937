-- A club's database on a PostgreSQL server, for every range PC at once.
-- Run once as a superuser on the server:
--     sudo -u postgres psql -f club-database.sql
-- then give both roles a password (kept in each user's ~/.pgpass, mode 0600,
-- never in the program's settings):
--     sudo -u postgres psql -c '\password kavro_owner' -c '\password kavro'
--
-- Two roles:
--   kavro_owner  owns the database and the program's tables: the first start
--                against the empty database (e.g. `kavro db info --db
--                postgresql://kavro_owner@SERVER/kavro`) creates the tables,
--                and after an update of the program the same run as the
--                owner brings them up to date.
--   kavro        the range PCs' role: connects, reads and writes the rows of
--                the program's tables, and nothing else (no creating,
--                altering or dropping tables, no other database).

CREATE ROLE kavro_owner LOGIN;
CREATE ROLE kavro LOGIN;

CREATE DATABASE kavro OWNER kavro_owner ENCODING 'UTF8' TEMPLATE template0;
REVOKE ALL ON DATABASE kavro FROM PUBLIC;
GRANT CONNECT, TEMPORARY ON DATABASE kavro TO kavro_owner;
GRANT CONNECT ON DATABASE kavro TO kavro;

\connect kavro

-- The tables live in the schema "public", which only the owner may create
-- in (the default from PostgreSQL 15 on; said here for older servers).
ALTER SCHEMA public OWNER TO kavro_owner;
REVOKE ALL ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO kavro;

-- Rows of every table the owner creates, now or in a later version; the
-- generated keys' sequences with them.
ALTER DEFAULT PRIVILEGES FOR ROLE kavro_owner IN SCHEMA public
    GRANT SELECT, INSERT, UPDATE, DELETE ON TABLES TO kavro;
ALTER DEFAULT PRIVILEGES FOR ROLE kavro_owner IN SCHEMA public
    GRANT USAGE, SELECT ON SEQUENCES TO kavro;

-- Tables made before this script ran (e.g. when it is run again for a
-- database in use).
GRANT SELECT, INSERT, UPDATE, DELETE ON ALL TABLES IN SCHEMA public TO kavro;
GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA public TO kavro;
