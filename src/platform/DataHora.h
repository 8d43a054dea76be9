#pragma once
// Date-time values as the suite stores them: double days since 30 December 1899, the time
// of day as the fraction (0.5 = noon). Dates before 1899-12-30 are negative; their time
// still counts forward from midnight (-1.25 = 29 Dec 1899 06:00), as in the suite.
#include <string>

namespace plat {

using TDateTime = double;

// Throws EConvertError for a date or time outside the valid ranges.
TDateTime EncodeDate(int ano, int mes, int dia);
TDateTime EncodeTime(int hora, int minuto, int segundo, int milissegundo = 0);
bool TentarEncodeDate(int ano, int mes, int dia, TDateTime& resultado);

void DecodeDate(TDateTime dt, int& ano, int& mes, int& dia);
void DecodeTime(TDateTime dt, int& hora, int& minuto, int& segundo, int& milissegundo);

bool AnoBissexto(int ano);
int DiasNoMes(int ano, int mes);

// The workstation's local clock.
TDateTime Agora();
// Today at midnight.
TDateTime Hoje();

// The date part (midnight of that day) and the time part (fraction).
TDateTime ParteData(TDateTime dt);
TDateTime ParteHora(TDateTime dt);

// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime dt);

// Both values fall on the same calendar day.
bool MesmoDia(TDateTime a, TDateTime b);

// Formats with the tokens dd, d, mm, m, yy, yyyy, hh, h, nn, ss (and mm right after hh
// or h means minutes); every other character is copied. Examples: "dd/mm/yy",
// "dd/mm/yyyy", "hh:mm", "dd/mm/yyyy hh:nn:ss".
std::string FormatDateTime(const std::string& formato, TDateTime dt);

// Reads "d/m/yy" or "d/m/yyyy" (day first, "/" separator, blanks around allowed). A
// two-digit year is 2000+yy when yy < 50, else 1900+yy. Throws EConvertError
// ("'<text>' não é uma data válida") when the text is not a valid date.
TDateTime StrToDate(const std::string& texto);
bool TentarStrToDate(const std::string& texto, TDateTime& resultado);

// Strict integer: optional sign and decimal digits, or hexadecimal with "$" or "0x";
// blanks around allowed; out of the 32-bit range is an error. Throws EConvertError
// ("'<text>' não é um valor inteiro válido").
int StrToInt(const std::string& texto);

}  // namespace plat
