// The tree control over a one-column tree widget.
#include "framework/TreeCtrl.h"

#include <QHeaderView>
#include <QPointer>
#include <QSignalBlocker>
#include <QTreeWidget>

#include "framework/CodePage.h"
#include "framework/WindowImpl.h"

namespace fw {

// A one-column tree without a header; it tells the parent of every change of the current item.
QWidget* CreateTreeWidget(CWnd*, DWORD, QWidget* parent) {
    auto* t = new QTreeWidget(parent);
    t->setColumnCount(1);
    t->setHeaderHidden(true);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setIndentation(16);
    QPointer<QTreeWidget> pt = t;
    QObject::connect(t, &QTreeWidget::currentItemChanged, t, [pt](QTreeWidgetItem*, QTreeWidgetItem*) {
        CWnd* c = WndOf(pt);
        if (!c) return;
        CWnd* p = c->GetParent();
        if (!p || !p->impl()->widget) return;
        p->SendMessage(WM_COMMAND, MAKEWPARAM(c->GetDlgCtrlID(), TVN_SELCHANGED), LPARAM(c));
    });
    return t;
}

}  // namespace fw

namespace {

QTreeWidget* treeOf(const CTreeCtrl* c) {
    return c && c->impl() ? qobject_cast<QTreeWidget*>(c->impl()->widget.data()) : nullptr;
}
QTreeWidgetItem* itemOf(HTREEITEM h) {
    if (h == TVI_ROOT || h == TVI_FIRST || h == TVI_LAST || h == TVI_SORT) return nullptr;
    return reinterpret_cast<QTreeWidgetItem*>(h);
}
HTREEITEM handleOf(QTreeWidgetItem* item) { return reinterpret_cast<HTREEITEM>(item); }

}  // namespace

BOOL CTreeCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("SysTreeView32", nullptr, style, rect, parent, id);
}

HTREEITEM CTreeCtrl::InsertItem(const char* text, HTREEITEM parent, HTREEITEM after) {
    QTreeWidget* t = treeOf(this);
    if (!t) return nullptr;
    QTreeWidgetItem* under = parent == TVI_ROOT || parent == nullptr ? t->invisibleRootItem() : itemOf(parent);
    if (!under || under->treeWidget() != t) return nullptr;
    auto* item = new QTreeWidgetItem;
    const QString label = QString::fromStdString(fw::ToUtf8(text ? text : ""));
    item->setText(0, label);
    int at = under->childCount();
    if (after == TVI_FIRST) {
        at = 0;
    } else if (after == TVI_SORT) {
        at = 0;
        while (at < under->childCount() && QString::compare(under->child(at)->text(0), label, Qt::CaseInsensitive) <= 0)
            ++at;
    } else if (QTreeWidgetItem* prev = itemOf(after); prev && prev->parent() == (under == t->invisibleRootItem() ? nullptr : under)) {
        at = under->indexOfChild(prev) + 1;
    }
    under->insertChild(at, item);
    return handleOf(item);
}

BOOL CTreeCtrl::DeleteAllItems() {
    QTreeWidget* t = treeOf(this);
    if (!t) return FALSE;
    const QSignalBlocker quiet(t);
    t->clear();
    return TRUE;
}

UINT CTreeCtrl::GetCount() const {
    QTreeWidget* t = treeOf(this);
    if (!t) return 0;
    UINT n = 0;
    for (QTreeWidgetItemIterator it(t); *it; ++it) ++n;
    return n;
}

CString CTreeCtrl::GetItemText(HTREEITEM item) const {
    QTreeWidgetItem* i = itemOf(item);
    return i ? CString(fw::FromUtf8(i->text(0).toStdString()).c_str()) : CString();
}

BOOL CTreeCtrl::SetItemData(HTREEITEM item, DWORD_PTR data) {
    QTreeWidgetItem* i = itemOf(item);
    if (!i) return FALSE;
    i->setData(0, Qt::UserRole, QVariant::fromValue<qulonglong>(data));
    return TRUE;
}

DWORD_PTR CTreeCtrl::GetItemData(HTREEITEM item) const {
    QTreeWidgetItem* i = itemOf(item);
    return i ? DWORD_PTR(i->data(0, Qt::UserRole).toULongLong()) : 0;
}

HTREEITEM CTreeCtrl::GetParentItem(HTREEITEM item) const {
    QTreeWidgetItem* i = itemOf(item);
    return i ? handleOf(i->parent()) : nullptr;
}

HTREEITEM CTreeCtrl::GetRootItem() const {
    QTreeWidget* t = treeOf(this);
    return t && t->topLevelItemCount() > 0 ? handleOf(t->topLevelItem(0)) : nullptr;
}

HTREEITEM CTreeCtrl::GetChildItem(HTREEITEM item) const {
    QTreeWidget* t = treeOf(this);
    QTreeWidgetItem* i = item == TVI_ROOT || item == nullptr ? (t ? t->invisibleRootItem() : nullptr) : itemOf(item);
    return i && i->childCount() > 0 ? handleOf(i->child(0)) : nullptr;
}

HTREEITEM CTreeCtrl::GetNextSiblingItem(HTREEITEM item) const {
    QTreeWidget* t = treeOf(this);
    QTreeWidgetItem* i = itemOf(item);
    if (!t || !i) return nullptr;
    QTreeWidgetItem* under = i->parent() ? i->parent() : t->invisibleRootItem();
    const int at = under->indexOfChild(i) + 1;
    return at < under->childCount() ? handleOf(under->child(at)) : nullptr;
}

HTREEITEM CTreeCtrl::GetSelectedItem() const {
    QTreeWidget* t = treeOf(this);
    return t ? handleOf(t->currentItem()) : nullptr;
}

BOOL CTreeCtrl::SelectItem(HTREEITEM item) {
    QTreeWidget* t = treeOf(this);
    if (!t) return FALSE;
    QTreeWidgetItem* i = itemOf(item);
    if (i && i->treeWidget() != t) return FALSE;
    t->setCurrentItem(i);
    return TRUE;
}

BOOL CTreeCtrl::Expand(HTREEITEM item, UINT code) {
    QTreeWidgetItem* i = itemOf(item);
    if (!i) return FALSE;
    if (code == TVE_EXPAND) i->setExpanded(true);
    else if (code == TVE_COLLAPSE) i->setExpanded(false);
    else if (code == TVE_TOGGLE) i->setExpanded(!i->isExpanded());
    return TRUE;
}

BOOL CTreeCtrl::GetItemRect(HTREEITEM item, RECT* rect, BOOL textOnly) const {
    (void)textOnly;
    QTreeWidget* t = treeOf(this);
    QTreeWidgetItem* i = itemOf(item);
    if (!t || !i || !rect || i->treeWidget() != t) return FALSE;
    QRect r = t->visualItemRect(i);
    if (r.isEmpty()) return FALSE;
    r.translate(t->viewport()->mapTo(t, QPoint(0, 0)));
    *rect = RECT{r.left(), r.top(), r.right() + 1, r.bottom() + 1};
    return TRUE;
}

void CTreeCtrl::SetIndent(UINT indent) {
    if (QTreeWidget* t = treeOf(this)) t->setIndentation(int(indent));
}

UINT CTreeCtrl::GetIndent() const {
    QTreeWidget* t = treeOf(this);
    return t ? UINT(t->indentation()) : 0;
}
