#include "model/TitlePage.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <utility>

#include "framework/Controls.h"
#include "model/ZelDoc.h"
#include "platform/FontMap.h"

namespace {
constexpr int kOffsetLimit = 72;     // points, either way
constexpr int kLastStartPage = 999;  // as shown (index + 1)
constexpr int kPageOffsetLimit = 999;
}  // namespace

// --- the page ---------------------------------------------------------------------------------

UINT CTitlePage::TemplateOf(int kind) {
    static const UINT kTemplates[] = {202, 207, 208, 204, 205, 206};
    return kind >= 0 && kind < 6 ? kTemplates[kind] : 202;
}

CTitlePage::CTitlePage(int k) : CPropertyPage(TemplateOf(k)), kind(k), lineCount(k > 3 ? 1 : TitleBlock::kLines) {}

void CTitlePage::SetBlocks(TitleBlock* first, TitleBlock* second, int shown) {
    blocks[0] = first;
    blocks[1] = second;
    shownIndex = second && shown == 1 ? 1 : 0;
    block = blocks[shownIndex];
}

BOOL CTitlePage::OnInitDialog() {
    if (kind <= 3) {
        for (int i = 0; i < TitleBlock::kLines; ++i) SendDlgItemMessage(kFirstText + i, EM_LIMITTEXT, 127);
        SendDlgItemMessage(kXSpin, UDM_SETRANGE, 0, MAKELPARAM(kOffsetLimit, -kOffsetLimit));
        SendDlgItemMessage(kYSpin, UDM_SETRANGE, 0, MAKELPARAM(kOffsetLimit, -kOffsetLimit));
    } else {
        SendDlgItemMessage(kText, EM_LIMITTEXT, 127);
        SendDlgItemMessage(kStartSpin, UDM_SETRANGE, 0, MAKELPARAM(kLastStartPage, 1));
        SendDlgItemMessage(kOffsetSpin, UDM_SETRANGE, 0, MAKELPARAM(kPageOffsetLimit, -kPageOffsetLimit));
    }
    ShowBlock();
    return TRUE;
}

void CTitlePage::ShowBlock() {
    if (!block) return;
    if (kind <= 3) {
        for (int i = 0; i < TitleBlock::kLines; ++i) SetDlgItemText(kFirstText + i, block->lines[i].text);
        SetDlgItemInt(kXOffset, UINT(block->xOffset / 20), TRUE);
        SetDlgItemInt(kYOffset, UINT(block->yOffset / 20), TRUE);
        CheckDlgButton(kAllPages, block->allPages ? 1 : 0);
        return;
    }
    CheckRadioButton(kFirstBlock, kSecondBlock, kFirstBlock + shownIndex);
    SetDlgItemText(kText, block->lines[0].text);
    CheckRadioButton(kLeft, kRight, kLeft + std::min<int>(block->alignment, 2));
    CheckDlgButton(kFlip, block->flip ? 1 : 0);
    SetDlgItemInt(kStartPage, UINT(block->startPage + 1), TRUE);
    SetDlgItemInt(kPageOffset, UINT(block->pageOffset), TRUE);
}

void CTitlePage::StoreText(int control, int line) {
    char text[TitleLine::kTextSize] = {};
    GetDlgItemText(control, text, int(sizeof text));
    std::memset(block->lines[line].text, 0, sizeof block->lines[line].text);
    std::memcpy(block->lines[line].text, text, sizeof text - 1);
}

void CTitlePage::StoreSingleLine() {
    if (!block) return;
    StoreText(kText, 0);
    const int start = std::clamp(int(GetDlgItemInt(kStartPage, nullptr, TRUE)), 1, kLastStartPage);
    block->startPage = std::int16_t(start - 1);
    const int offset = std::clamp(int(GetDlgItemInt(kPageOffset, nullptr, TRUE)), -kPageOffsetLimit, kPageOffsetLimit);
    block->pageOffset = std::int16_t(offset);
}

BOOL CTitlePage::OnCmdMsg(UINT id, int code) {
    if (code == BN_CLICKED && block) {
        const int control = int(id);
        if (control >= kFirstFont && control < kFirstFont + lineCount) {
            if (CFontList* fonts = GetFontList()) fonts->ChooseFont(&block->lines[control - kFirstFont].font);
            return TRUE;
        }
        if (kind > 3 && (control == kFirstBlock || control == kSecondBlock)) {
            const int next = control - kFirstBlock;
            if (next != shownIndex && blocks[next]) {
                StoreSingleLine();
                shownIndex = next;
                block = blocks[next];
                ShowBlock();
            }
            return TRUE;
        }
        if (kind > 3 && control >= kLeft && control <= kRight) {
            block->alignment = std::uint16_t(control - kLeft);
            return TRUE;
        }
        if (kind > 3 && control == kFlip) {
            block->flip = IsDlgButtonChecked(kFlip) ? 1 : 0;
            return TRUE;
        }
    }
    return CPropertyPage::OnCmdMsg(id, code);
}

void CTitlePage::OnOK() {
    if (!block) return;
    if (kind > 3) {
        StoreSingleLine();
        return;
    }
    for (int i = 0; i < TitleBlock::kLines; ++i) StoreText(kFirstText + i, i);
    const int x = std::clamp(int(GetDlgItemInt(kXOffset, nullptr, TRUE)), -kOffsetLimit, kOffsetLimit);
    const int y = std::clamp(int(GetDlgItemInt(kYOffset, nullptr, TRUE)), -kOffsetLimit, kOffsetLimit);
    block->xOffset = std::int16_t(x * 20);
    block->yOffset = std::int16_t(y * 20);
    block->allPages = IsDlgButtonChecked(kAllPages) ? 1 : 0;
}

// --- the undo step ----------------------------------------------------------------------------

CTPTask::CTPTask(CZelDoc& doc) { std::copy(std::begin(doc.titles), std::end(doc.titles), std::begin(saved)); }

void CTPTask::SwapSnapshot() {
    if (!document) return;
    for (int i = 0; i < TitleBlock::kBlocks; ++i) std::swap(saved[i], document->titles[i]);
    document->InvalidatePanes();
}

void CTPTask::Restore() {
    if (document) std::copy(std::begin(saved), std::end(saved), std::begin(document->titles));
}

void KeepNoticeOffFooters(TitleBlock (&blocks)[TitleBlock::kBlocks]) {
    for (int i = 0; i < 4; ++i) {
        TitleBlock& notice = blocks[i];
        if (!notice.IsNotice() || notice.yOffset != 0) continue;
        const bool hasText =
            std::any_of(std::begin(notice.lines), std::end(notice.lines), [](const TitleLine& l) { return l.text[0] != 0; });
        if (!hasText) continue;
        for (const TitleBlock& footer : blocks)
            if (footer.IsFooter() && footer.lines[0].text[0] && footer.yOffset == 0 && footer.alignment == notice.alignment)
                notice.yOffset = std::int16_t(notice.yOffset - footer.lines[0].font.size * 20 * 3 / 2);
    }
}

// --- the sheet --------------------------------------------------------------------------------

bool CZelDoc::EditTitles(int blockIndex) {
    CTitlePage pages[6] = {CTitlePage(0), CTitlePage(1), CTitlePage(2), CTitlePage(3), CTitlePage(4), CTitlePage(5)};
    const int b = std::clamp(blockIndex, 0, TitleBlock::kBlocks - 1);
    const int shownPage = b < 4 ? b : b < 6 ? 4 : 5;
    CPropertySheet sheet(6410, nullptr, UINT(shownPage));
    for (CTitlePage& page : pages) sheet.AddPage(&page);

    auto task = std::make_unique<CTPTask>(*this);
    task->Attach(this, 6410);
    for (int i = 0; i < 4; ++i) pages[i].SetBlocks(&titles[i]);
    pages[4].SetBlocks(&titles[4], &titles[5], b == 5 ? 1 : 0);
    pages[5].SetBlocks(&titles[6], &titles[7], b == 7 ? 1 : 0);

    if (sheet.DoModal() != IDOK) {
        task->Restore();
        return false;
    }
    KeepNoticeOffFooters(titles);
    PushUndo(task.release());
    return true;
}
