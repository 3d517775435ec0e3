// The fields of texts, lyric syllables and symbols in the item dump (zelscript's `print items`,
// zeldump --items). Texts print in UTF-8; font faces are left out (their numbers are the
// machine's installed-font list).
#include <cstdio>
#include <string>

#include "ToolScore.h"
#include "framework/CodePage.h"
#include "model/Lyric.h"
#include "model/Symbol.h"
#include "model/Text.h"

namespace {

// A stored text in UTF-8 with its line breaks (carriage returns) shown as \\r.
std::string Shown(const char* text) {
    std::string out;
    for (char c : fw::ToUtf8(text)) out += c == '\r' ? std::string("\\r") : std::string(1, c);
    return out;
}

void PrintText(std::FILE* out, CBarItem* item) {
    auto* t = static_cast<CText*>(item);
    if (t->RecordSizeField() < CText::kFixedSize || !t->CheckLayout()) {
        std::fprintf(out, " damaged text");
        return;
    }
    std::fprintf(out, " kind %d align %d%s%s%s x %d y %d w %d h %d \"%s\"", t->GetKind(), t->GetAlignment(),
                 t->IsFramed() ? " framed" : "", t->IsOpaque() ? " opaque" : "", t->IsSystemText() ? " system" : "",
                 int(t->GetX()), int(t->GetY()), int(t->GetWidth()), int(t->GetHeight()),
                 Shown(t->GetText()).c_str());
    if (t->IsSingleFont()) {
        const FontRef f = t->GetSingleFont();
        std::fprintf(out, " size %d style %d", f.size, f.style);
    } else {
        std::fprintf(out, " runs %d lines %d", t->GetRunCount(), t->GetLineCount());
        // Where runs and lines start (characters), with each run's size and style.
        for (int i = 0; i < t->GetRunCount(); ++i)
            std::fprintf(out, " run@%d %d/%d", t->GetRunOffset(i), t->GetRunFont(i).size, t->GetRunFont(i).style);
        for (int i = 0; i < t->GetLineCount(); ++i) std::fprintf(out, " line@%d", t->GetLineWord(i, 0));
    }
}

void PrintLyric(std::FILE* out, CBarItem* item) {
    auto* l = static_cast<CLyric*>(item);
    if (l->RecordSizeField() < CLyric::kFixedSize) return;
    const FontRef f = l->GetFont();
    std::fprintf(out, " line %d syllable %d verse %d flags %02x \"%s\" size %d style %d", l->GetLineIndex(),
                 l->GetSyllableIndex(), l->GetVerse(), l->LyricFlags(), fw::ToUtf8(l->GetText()).c_str(), f.size,
                 f.style);
}

void PrintSymbol(std::FILE* out, CBarItem* item) {
    auto* s = static_cast<CSymbol*>(item);
    if (s->RecordSizeField() < CSymbol::kSize) return;
    const FontRef f = s->GetFont();
    std::fprintf(out, " char %d flags %02x x %d y %d size %d style %d controller %d", s->GetCharacter(),
                 s->SymbolFlags(), s->GetX(), s->GetY(), f.size, f.style, s->GetController());
}

const tools::ItemFieldsRegistrar textFields{CText::kTypeCode, PrintText};
const tools::ItemFieldsRegistrar pageTextFields{CText::kPageTypeCode, PrintText};
const tools::ItemFieldsRegistrar lyricFields{CLyric::kTypeCode, PrintLyric};
const tools::ItemFieldsRegistrar symbolFields{CSymbol::kTypeCode, PrintSymbol};

}  // namespace
