// Tax identifier services (filled in by the foundation work).
