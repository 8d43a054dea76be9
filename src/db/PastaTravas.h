#pragma once
// The embedded engine keeps its lock tables in a folder shared by every process of the
// machine (/tmp/firebird with Debian's client). The Debian packages make that folder
// readable and writable only by the group "firebird", so for an ordinary user every
// embedded attach fails with "operating system directive access failed / Permission
// denied / /tmp/firebird/". The engine opens a database file exclusively whatever its lock
// folder (a second process gets "Database already opened with engine instance"), so a
// folder of the user's own is safe.
namespace db {

// When FIREBIRD_LOCK is not set and the shared lock folder exists but this process may not
// use it, points FIREBIRD_LOCK at "firebird" in the user's private runtime folder. Runs
// once, before the client library is first used (the data layer calls it then).
void PrepararPastaTravas();

}  // namespace db
