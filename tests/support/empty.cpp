// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the helper library non-empty when no helper sources exist yet.
