// Keeps the helper library non-empty when no helper sources exist yet.
