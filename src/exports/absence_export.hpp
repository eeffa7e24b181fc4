#pragma once
// The conflicts of work and vacation and the presence per group as CSV files and workbooks: the
// same UTF-8 CSV with a byte-order mark and ";" as the chart's export, one line per resource and
// day or per group and day; the workbook holds the same table with dates as dates and numbers
// as numbers.

#include <string>

#include "chart/absence.hpp"

namespace kx::exports {

// "Gruppe;Ressource;Datum;Stunden;Vorgänge", one line per conflict; the task names joined by
// ", ".
std::string ConflictsCsvText(const chart::AbsenceReport& report);
// "Gruppe;Datum;Ressourcen;abwesend;anwesend;über Grenze", one line per group and day; the last
// field reads "ja" or "nein", and stays empty without a limit.
std::string PresenceCsvText(const chart::AbsenceReport& report);

// Each writes its file whole through a temporary file beside it. Throws ExportError.
void WriteConflictsCsv(const chart::AbsenceReport& report, const std::string& path);
void WritePresenceCsv(const chart::AbsenceReport& report, const std::string& path);
// The sheet "Konflikte" or "Anwesenheit" (days over the limit in red); `title` names the
// workbook ("Konflikte Neubau Bürogebäude").
void WriteConflictsXlsx(const chart::AbsenceReport& report, const std::string& title,
                        const std::string& path);
void WritePresenceXlsx(const chart::AbsenceReport& report, const std::string& title,
                       const std::string& path);

}  // namespace kx::exports
