#include "ui/tkxparrows.h"

#include "devices/tkxdeviceslavecls.h"
#include "params/tkxparvaluecls.h"

#include <QTreeWidgetItem>
#include <QVariant>

TkxParValue* TkxParOfItem(const QTreeWidgetItem* item) {
    if (item == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<TkxParValue*>(item->data(0, Qt::UserRole).value<quintptr>());
}

void TkxSetParOfItem(QTreeWidgetItem* item, TkxParValue* par) {
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(par)));
}

bool TkxParIsEditable(TkxParValue* par) {
    if (par == nullptr || !par->Enabled() || par->ReadOnly()) {
        return false;
    }
    TkxDeviceSlave* device = par->GetDevice();
    return device != nullptr && device->IsReadyForEditing();
}
