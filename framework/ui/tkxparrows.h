#pragma once

class QTreeWidgetItem;
class TkxParValue;

// What the bound controls share about the parameters they show: which parameter a list row
// carries, and whether the user may change a parameter now.

// The parameter a list row shows, or null (a separator row).
TkxParValue* TkxParOfItem(const QTreeWidgetItem* item);
void TkxSetParOfItem(QTreeWidgetItem* item, TkxParValue* par);

// Enabled, not read-only, and its device ready for editing (connected and ready, or made
// offline); a parameter without a device is not editable.
bool TkxParIsEditable(TkxParValue* par);
