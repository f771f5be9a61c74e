#pragma once
// The Open dialog opens large enough to read the name, size and date columns, and as large
// as the person last left it (settings "OpenDialogWidth", "OpenDialogHeight" in twips, and
// the columns in "OpenDialogState").
class QFileDialog;

inline constexpr int kOpenDialogWidth = 860, kOpenDialogHeight = 540;  // pixels, before any is stored

void restoreOpenDialogSize(QFileDialog &dialog);
void rememberOpenDialogSize(const QFileDialog &dialog);
