// Data access layer over the Firebird client.
