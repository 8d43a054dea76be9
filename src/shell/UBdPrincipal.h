#pragma once
// The main database location stored, scrambled, in table BD_PRINCIPAL of the access
// database, and the start-up step that lets it replace the location of Parametros.ini.
// The scrambling itself is UCifra.h.
#include <string>

// Column SENHA of the first row of BD_PRINCIPAL, read through a temporary access data
// module (its creation opens its connection to the access database); the module is
// destroyed also when the read fails. No row gives an empty text.
std::string LerBdPrincipal();

// Start-up: reads BD_PRINCIPAL, descrambles it with the installation's key and, when the
// result is not empty, makes it the system object's main database location CaminhoBanco
// (an empty result keeps the location of Parametros.ini). Returns the location in force
// afterwards. Errors reach the caller (the main window's creation).
std::string AplicarBdPrincipal();
