#include "model/MenuUI.h"

#include "framework/CmdUI.h"

void CMenuUI::Begin(CCmdUI* entry, int state) {
    entry_ = entry;
    if (entry_ && (state == 0 || state == 1)) entry_->Enable(state == 1);
}

int CMenuUI::Id() const { return entry_ ? int(entry_->m_nID) : 0; }

void CMenuUI::Enable(bool on) {
    if (entry_) entry_->Enable(on);
}

void CMenuUI::EnableId(int id) {
    if (Id() == id && entry_) entry_->Enable(true);
}

void CMenuUI::DisableId(int id) {
    if (Id() == id && entry_) entry_->Enable(false);
}

void CMenuUI::CheckId(int id, bool on) {
    if (Id() == id && entry_) entry_->SetCheck(on ? 1 : 0);
}

void CMenuUI::EnableRange(int first, int last) {
    if (entry_ && Id() >= first && Id() <= last) entry_->Enable(true);
}

std::string CMenuUI::GetItemText() const { return entry_ ? entry_->text : std::string(); }

void CMenuUI::SetText(const std::string& text) {
    if (entry_) entry_->SetText(text.c_str());
}

CMenuUI& MenuUI() {
    static CMenuUI ui;
    return ui;
}
