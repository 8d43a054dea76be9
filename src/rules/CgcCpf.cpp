// Exported tax identifier functions (filled in by the foundation work).
